// Shared pieces of the end-to-end tests.
#pragma once

#include <QColor>
#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

#include "TestSupport.h"
#include "media/com/DShow.h"
#include "platform/WinTypes.h"

class CLumivisorDlg;
class QMenu;

namespace e2e {

using lumitest::WaitFor;

// The picture control as the window shows it now.
QImage GrabPicture(CLumivisorDlg& dlg);
// The colour at a point given as fractions of the image's width and height.
QColor ColourAt(const QImage& image, double fx, double fy);
// Whether two colours agree within a tolerance per channel.
bool Near(const QColor& a, const QColor& b, int tolerance = 16);

// The texts of a menu's items, in order.
QStringList MenuTexts(const QMenu* menu);

// Per test: a fresh home, message boxes recorded, no camera, the shared state reset.
struct Session {
    Session();
    ~Session();
    QTemporaryDir home;
    lumitest::MessageRecorder recorder;
    QStringList& messages = recorder.texts;
    std::function<void(const QString&)>& onMessage = recorder.onMessage;
};

}  // namespace e2e
