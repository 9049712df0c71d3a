// Keeps a top-level window at the outer size it was fitted to (the window manager's frame
// included) and centred on the screen's work area. A window manager adds its frame after
// the window is mapped, and the frame's extents may arrive without any move or resize of
// the window: for a while after each fit, and on every move or resize, the fit is done
// again when the frame differs from the one it was made with. A size or state the user
// gave the window since is kept.
#pragma once

#include <QMargins>
#include <QObject>
#include <QSize>
#include <QTimer>

class QWidget;

class WindowFit : public QObject {
public:
    explicit WindowFit(QWidget* window);

    // Resizes the window to that outer size, shows it and centres it.
    void Fit(const QSize& outer);
    // The outer size of the last fit; invalid before the first.
    QSize FittedOuterSize() const { return outer_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyOuterSize();
    void Centre();
    // Fits again where the frame changed and the window still has the fitted size.
    void RefitForFrame();

    QWidget* window_;
    QSize outer_;
    QMargins frame_;
    QSize client_;
    QTimer watch_;
    int watchTicks_ = 0;
};
