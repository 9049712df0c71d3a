#include "app/CameraRecovery.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>

#include "frames/CSampleGrabberCB.h"
#include "platform/Logging.h"
#include "resources/StringTable.h"
#include "settings/SharedState.h"

namespace {

constexpr int kNoPictureText = 180;

}  // namespace

CameraRecovery::CameraRecovery(Hooks hooks, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)) {
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

void CameraRecovery::Opened(const QString& identity) {
    identity_ = identity;
    readError_ = false;
    frames_ = FrameCallback.FramesReceived.load();
    lastFrame_.start();
    lastRetry_.start();
    timer_.start();
}

void CameraRecovery::Closed() {
    timer_.stop();
    identity_.clear();
    if (!noPicture_) return;
    noPicture_ = false;
    if (hooks_.changed) hooks_.changed();
}

void CameraRecovery::ReadError() {
    if (!timer_.isActive() || noPicture_ || readError_) return;
    readError_ = true;
    readErrorClock_.start();
}

void CameraRecovery::Lose() {
    qCInfo(lcApp).noquote() << "no picture from" << identity_
                            << (readError_ ? "(the camera cannot be read)" : "(no frame)");
    noPicture_ = true;
    readError_ = false;
    lastRetry_.start();
    if (hooks_.lost) hooks_.lost();
    if (hooks_.changed) hooks_.changed();
}

void CameraRecovery::Tick() {
    const std::uint64_t frames = FrameCallback.FramesReceived.load();
    if (hooks_.busy && hooks_.busy()) {
        frames_ = frames;
        lastFrame_.start();
        return;
    }
    if (frames != frames_) {
        frames_ = frames;
        readError_ = false;
        lastFrame_.start();
        if (noPicture_) {
            qCInfo(lcApp).noquote() << "picture back from" << identity_;
            noPicture_ = false;
            if (hooks_.changed) hooks_.changed();
        }
        return;
    }
    if (!noPicture_) {
        if (lastFrame_.hasExpired(kNoFrameMs) ||
            (readError_ && readErrorClock_.hasExpired(kReadErrorMs)))
            Lose();
    } else if (lastRetry_.hasExpired(kRetryMs) && hooks_.retry) {
        lastRetry_.start();
        qCInfo(lcApp).noquote() << "rebuilding the graph of" << identity_;
        hooks_.retry();
    }
}

void CameraRecovery::PaintSign(QPainter& painter, const QRect& target) const {
    if (!noPicture_ || target.isEmpty()) return;
    const QString text = LoadStringForLanguage(kNoPictureText, LanguageFlag);
    // Letters of a size to read at a glance, smaller where the picture is too narrow.
    QFont font = painter.font();
    font.setBold(true);
    for (int size = std::max(12, target.height() / 18); size >= 6; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(text) * 10 <= target.width() * 8) break;
    }
    const QFontMetrics metrics(font);
    const int margin = metrics.height() / 2;
    QRect box = metrics.boundingRect(text).adjusted(-margin, -margin, margin, margin);
    box.moveCenter(target.center());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 180));
    painter.drawRoundedRect(box, margin, margin);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, text);
    painter.restore();
}

void CameraRecovery::RecordingCameraGone(const QString& identity) {
    resumeIdentity_ = identity;
    resumeClock_.start();
}

QString CameraRecovery::ResumeIdentity() const {
    if (resumeIdentity_.isEmpty() || resumeClock_.hasExpired(kResumeMs)) return {};
    return resumeIdentity_;
}
