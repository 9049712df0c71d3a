#include "platform/ShellFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString WithoutTrailingSeparator(QString path) {
    while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
    return path;
}

}  // namespace

QString GetSpecialFolderPath(int csidl) {
    switch (csidl) {
        case CSIDL_LOCAL_APPDATA:
            return WithoutTrailingSeparator(
                QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
        case CSIDL_DESKTOPDIRECTORY: {
            const QString desktop =
                QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
            if (!desktop.isEmpty() && QFileInfo(desktop).isDir()) {
                return WithoutTrailingSeparator(desktop);
            }
            return WithoutTrailingSeparator(QDir::homePath());
        }
        default:
            return {};
    }
}
