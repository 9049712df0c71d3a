// Logout, shutdown, kill and Ctrl+C during a recording (SIGTERM, SIGHUP, SIGINT) on the
// program under Xvfb: the file is complete when the program has gone, within 5 s. After
// kill -9 the next start repairs the file and says so, once; files that are no interrupted
// recording stay as they were. The session's end (Qt's quit event) is in test_commands.
#include <QProcess>
#include <QRegularExpression>

#include "WindowSupport.h"
#include "capture/RecordingRepair.h"

using namespace e2e;

namespace {

// The program records for 3 s under Xvfb with HOME (its save folder) in home, then gets the
// signal: the milliseconds until it had exited, -1 when the run failed (said tells why).
int RecordThenSignal(const QString& home, const char* signal, QString& said) {
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral(LUMI_XVFB_SIGNAL), {QStringLiteral(LUMI_PROGRAM), home, signal});
    run.waitForFinished(90000);
    said = QString::fromLocal8Bit(run.readAll());
    const QRegularExpressionMatch exit = QRegularExpression("exit_ms=(\\d+)").match(said);
    return exit.hasMatch() ? exit.captured(1).toInt() : -1;
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ProgramSignalled : public ::testing::TestWithParam<const char*> {};

TEST_P(ProgramSignalled, CompletesTheRecordingAndExitsWithin5s) {
    QTemporaryDir home;
    QString said;
    const int ms = RecordThenSignal(home.path(), GetParam(), said);
    ASSERT_GE(ms, 0) << said.toStdString();
    EXPECT_LT(ms, 5000);
    EXPECT_TRUE(capturetest::RecordingIsWhole(home.filePath("NEWAVI_0.avi")));
}

INSTANTIATE_TEST_SUITE_P(By, ProgramSignalled, ::testing::Values("TERM", "INT", "HUP"),
                         [](const auto& p) { return std::string(p.param); });

TEST(ProgramKilled, TheNextStartRepairsTheRecordingAndSaysSoOnce) {
    Session session;
    QString said;
    ASSERT_GE(RecordThenSignal(session.home.path(), "KILL", said), 0) << said.toStdString();
    const QString video = session.home.filePath("NEWAVI_0.avi");
    const QString noise = session.home.filePath("NEWAVI_50.avi");
    ASSERT_FALSE(capturetest::RecordingIsWhole(video));  // headers never finished
    QFile file(noise);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < 65536; ++i) file.putChar(char(std::rand()));
    file.close();
    const QByteArray noiseBytes = Bytes(noise);
    auto start = [] {
        CLumivisorDlg dlg;
        dlg.Create();
        RecordingRepair* repair = dlg.findChild<RecordingRepair*>();
        return repair != nullptr && WaitFor([&] { return repair->Done(); }, 60000);
    };

    ASSERT_TRUE(start());
    EXPECT_EQ(session.messages,
              QStringList{LoadStringForLanguage(174, 0) + QStringLiteral("\nNEWAVI_0.avi")});
    EXPECT_TRUE(capturetest::RecordingIsWhole(video));
    const QByteArray repaired = Bytes(video);
    ASSERT_TRUE(start());
    EXPECT_EQ(session.messages.size(), 1);
    EXPECT_EQ(Bytes(video), repaired);
    EXPECT_EQ(Bytes(noise), noiseBytes);
}

}  // namespace
