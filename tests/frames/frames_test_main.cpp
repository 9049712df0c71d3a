// Test entry of the frame sink: a Qt application, so that posted repaint requests are
// delivered when the tests process events.
#include <gtest/gtest.h>

#include <QCoreApplication>

// Under the thread sanitizer: Qt is not instrumented, so the hand-over of a posted event
// (made on the streaming thread, delivered and deleted on this one under Qt's own lock) is
// invisible to it. Races whose stack runs through Qt's event delivery are Qt's to answer.
extern "C" const char* __tsan_default_suppressions() {
    return "race:QCoreApplication::notifyInternal2\n"
           "race:QCoreApplicationPrivate::sendPostedEvents\n";
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
