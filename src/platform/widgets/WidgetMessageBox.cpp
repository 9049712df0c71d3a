#include "platform/widgets/WidgetMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include "platform/MessageBox.h"

namespace {

QMessageBox::Icon IconFor(UINT type) {
    switch (type & 0xF0) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case MB_ICONWARNING:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

int ShowModalBox(HWND owner, const QString& text, const QString& caption, UINT type) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return 0;
    QWidget* parent = qobject_cast<QWidget*>(owner);
    if (parent == nullptr) parent = QApplication::activeWindow();
    QMessageBox box(IconFor(type), caption, text, QMessageBox::Ok, parent);
    box.exec();
    return IDOK;
}

}  // namespace

void InstallWidgetMessageBoxes() {
    SetMessageBoxPresenter(&ShowModalBox);
}
