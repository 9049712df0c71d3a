// What the main window does when its camera misbehaves.
//
// No picture: a camera whose graph runs but sends no frame for kNoFrameMs (a stalled USB
// stream), or whose graph reported that the camera cannot be read kReadErrorMs ago (a USB
// glitch; an unplugged camera reports the same, and its device notice comes meanwhile), has
// no picture. The owner is told once (Hooks::lost: it ends a recording, its file complete), the
// sign "No picture from the camera" is painted over the last picture by the paint alone
// (never into a picture or a recording), and the camera's graph is rebuilt every kRetryMs
// (Hooks::retry) while it stays open. The first frame that arrives takes the sign away.
// While an engine operation runs (Hooks::busy) frames may pause: nothing is counted.
//
// Loose cable: the identity of the camera that was recording when it was unplugged is kept
// for kResumeMs, so that the owner can record on when that camera is back.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

class QPainter;
class QRect;

class CameraRecovery : public QObject {
public:
    struct Hooks {
        std::function<bool()> busy;     // an engine operation runs
        std::function<void()> lost;     // the picture has stopped
        std::function<void()> retry;    // rebuild the open camera's graph
        std::function<void()> changed;  // the sign came or went: repaint
    };

    static constexpr int kNoFrameMs = 2000;
    static constexpr int kReadErrorMs = 1000;
    static constexpr int kRetryMs = 3000;
    static constexpr int kResumeMs = 10000;
    static constexpr int kTickMs = 250;

    explicit CameraRecovery(Hooks hooks, QObject* parent = nullptr);

    // A graph runs for the camera of that identity: watching starts, or goes on after a
    // rebuild (the sign stays until a frame comes).
    void Opened(const QString& identity);
    // No camera is open: watching stops and the sign goes.
    void Closed();
    // The open camera's graph reported that the camera cannot be read.
    void ReadError();

    bool NoPicture() const { return noPicture_; }
    // The identity of the camera watched (empty when none).
    const QString& Identity() const { return identity_; }
    // The sign over target, in the interface language, while there is no picture.
    void PaintSign(QPainter& painter, const QRect& target) const;

    // The camera of that identity was recording when it was unplugged (now); an empty
    // identity forgets it.
    void RecordingCameraGone(const QString& identity);
    // That camera's identity while it may still come back; empty after kResumeMs.
    QString ResumeIdentity() const;
    void ResumeTaken() { resumeIdentity_.clear(); }

private:
    void Tick();
    void Lose();

    Hooks hooks_;
    QTimer timer_;
    QString identity_;
    bool noPicture_ = false;
    bool readError_ = false;    // since readErrorClock_ started
    std::uint64_t frames_ = 0;  // frames the frame sink had accepted at lastFrame_
    QElapsedTimer lastFrame_;   // since the last frame (or the open)
    QElapsedTimer lastRetry_;   // since the picture was lost or the graph last rebuilt
    QElapsedTimer readErrorClock_;
    QString resumeIdentity_;
    QElapsedTimer resumeClock_;
};
