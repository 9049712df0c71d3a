// Test entry of the end-to-end tests: the program's window offscreen on one 1920 x 1080
// screen, an English locale, and real pipelines with virtual cameras.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("LC_ALL", "en_US.UTF-8");
    qputenv("LANG", "en_US.UTF-8");
    QTemporaryDir config;
    const QString screens = config.filePath("screens.json");
    QFile file(screens);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(R"({"screens": [{"name": "Screen", "x": 0, "y": 0, "width": 1920,
                 "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens).toUtf8());
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
