#include "E2eSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QWidget>

#include "app/CLumivisorApp.h"
#include "app/CLumivisorDlg.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "media/devices/virtual/VirtualCameraProvider.h"
#include "platform/widgets/DialogBuilder.h"
#include "resources/ResourceIds.h"
#include "settings/SharedState.h"

namespace e2e {

QImage GrabPicture(CLumivisorDlg& dlg) {
    QWidget* picture = GetDlgItem(&dlg, IDC_PICTURE);
    return picture != nullptr ? picture->grab().toImage() : QImage();
}

QColor ColourAt(const QImage& image, double fx, double fy) {
    return image.pixelColor(std::min(image.width() - 1, int(fx * image.width())),
                            std::min(image.height() - 1, int(fy * image.height())));
}

bool Near(const QColor& a, const QColor& b, int tolerance) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())}) <= tolerance;
}

QStringList MenuTexts(const QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions()) texts << a->text();
    return texts;
}

Session::Session() {
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    lumi::devices::VirtualCameraProvider::removeAll();
    theApp.m_CaptureVideo.ReleaseGraph();
    LanguageFlag = 0;
    StillRequested = 0;
    PreviewFrozen = 0;
    FrameCallback.CrosshairOn = false;
    FrameInfo = BITMAPINFOHEADER{};
    FreeFrameBuffer();
}

Session::~Session() {
    theApp.m_CaptureVideo.ReleaseGraph();
    lumi::devices::VirtualCameraProvider::removeAll();
    QCoreApplication::processEvents();
    PreviewFrozen = 0;
    FrameCallback.CrosshairOn = false;
}

}  // namespace e2e
