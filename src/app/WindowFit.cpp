#include "app/WindowFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

// How often and how long the frame is looked at after a fit.
constexpr int kWatchIntervalMs = 50;
constexpr int kWatchTicks = 100;

// The window's frame thickness around its own area (caption and border).
QMargins FrameMargins(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                    frame.right() - client.right(), frame.bottom() - client.bottom());
}

}  // namespace

WindowFit::WindowFit(QWidget* window) : QObject(window), window_(window) {
    window_->installEventFilter(this);
    watch_.setInterval(kWatchIntervalMs);
    connect(&watch_, &QTimer::timeout, this, [this] {
        if (++watchTicks_ >= kWatchTicks) watch_.stop();
        RefitForFrame();
    });
}

void WindowFit::Fit(const QSize& outer) {
    outer_ = outer;
    ApplyOuterSize();
    window_->show();
    Centre();
    watchTicks_ = 0;
    watch_.start();
}

bool WindowFit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        RefitForFrame();
    return false;
}

void WindowFit::RefitForFrame() {
    if (!outer_.isValid() || !window_->isVisible() || window_->windowState() != Qt::WindowNoState ||
        window_->size() != client_ || FrameMargins(window_) == frame_) {
        return;
    }
    ApplyOuterSize();
    Centre();
}

void WindowFit::ApplyOuterSize() {
    // Where there is no frame (no window manager) the window's own area takes the whole size.
    frame_ = FrameMargins(window_);
    window_->resize(outer_.width() - frame_.left() - frame_.right(),
                    outer_.height() - frame_.top() - frame_.bottom());
    client_ = window_->size();
}

void WindowFit::Centre() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    // Centred on the work area, but kept on it where it fits (left and top edges first).
    int x = area.left() + (area.width() - outer_.width()) / 2;
    int y = area.top() + (area.height() - outer_.height()) / 2;
    if (x < area.left()) {
        x = area.left();
    } else if (x + outer_.width() > area.right() + 1) {
        x = area.right() + 1 - outer_.width();
    }
    if (y < area.top()) {
        y = area.top();
    } else if (y + outer_.height() > area.bottom() + 1) {
        y = area.bottom() + 1 - outer_.height();
    }
    window_->move(x, y);
}
