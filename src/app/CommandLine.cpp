#include "app/CommandLine.h"

namespace {

const QString kVirtualCameras = QStringLiteral("--virtual-cameras");

bool ParseCount(const QString& text, int* count) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value > kMaxVirtualCameras) return false;
    *count = value;
    return true;
}

}  // namespace

CommandLineOptions ParseCommandLine(const QStringList& args) {
    CommandLineOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"-h" || arg == u"--help") {
            options.showHelp = true;
            continue;
        }
        QString value;
        if (arg == kVirtualCameras) {
            if (i + 1 >= args.size()) {
                options.error = kVirtualCameras + QStringLiteral(" needs a number");
                return options;
            }
            value = args[++i];
        } else if (arg.startsWith(kVirtualCameras + u'=')) {
            value = arg.mid(kVirtualCameras.size() + 1);
        } else {
            continue;  // Qt's own options (-platform, -style, ...)
        }
        if (!ParseCount(value, &options.virtualCameras)) {
            options.error = QStringLiteral("%1: \"%2\" is not a number from 0 to %3")
                                .arg(kVirtualCameras, value)
                                .arg(kMaxVirtualCameras);
            return options;
        }
    }
    return options;
}

QString CommandLineUsage() {
    return QStringLiteral(
               "Usage: lumivisor [--virtual-cameras N]\n"
               "  --virtual-cameras N  list N simulated cameras (0 to %1) beside the real ones\n")
        .arg(kMaxVirtualCameras);
}
