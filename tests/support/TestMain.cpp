// The test main: English locale, own home, media runtime, offscreen screen for widgets.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "media/MediaClasses.h"
#include "media/com/ComRuntime.h"
#include "media/pages/OleCreatePropertyFrame.h"
#include "platform/widgets/WidgetMessageBox.h"

#ifdef LUMI_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

// Qt is not instrumented for the thread sanitizer: races inside its event delivery are Qt's.
extern "C" const char* __tsan_default_suppressions() {
    return "race:QCoreApplication::notifyInternal2\n"
           "race:QCoreApplicationPrivate::sendPostedEvents\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Before HOME moves: GStreamer keeps reading the user's plugin registry cache.
    if (FAILED(CoInitialize(nullptr)) || !RegisterMediaClasses()) return 1;
    RegisterPropertyPageClasses();
    InstallWidgetMessageBoxes();
    qputenv("LC_ALL", "en_US.UTF-8");
    qputenv("LANG", "en_US.UTF-8");
    QTemporaryDir home, screen;
    if (!home.isValid() || !screen.isValid()) return 1;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
#ifdef LUMI_TEST_WIDGETS
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    QFile file(screen.filePath(QStringLiteral("screens.json")));
    if ((platform.isEmpty() || platform == "offscreen") && file.open(QIODevice::WriteOnly)) {
        file.write(R"({"screens": [{"name": "Screen", "x": 0, "y": 0, "width": 1920,
                     "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96}]})");
        file.close();
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + file.fileName()).toUtf8());
    }
#endif
    TestApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
