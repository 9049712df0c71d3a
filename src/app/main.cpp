// Lumivisor: viewer and recorder for USB endoscope and microscope cameras.
#include <QStringList>
#include <cstdio>

#include "app/CLumivisorApp.h"
#include "app/CommandLine.h"
#include "media/MediaClasses.h"
#include "media/pages/OleCreatePropertyFrame.h"
#include "platform/widgets/WidgetMessageBox.h"

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const CommandLineOptions options = ParseCommandLine(args);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "lumivisor: %s\n%s", options.error.toLocal8Bit().constData(),
                     CommandLineUsage().toLocal8Bit().constData());
        return 2;
    }
    if (options.showHelp) {
        std::fputs(CommandLineUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    RegisterMediaClasses();
    RegisterPropertyPageClasses();
    InstallWidgetMessageBoxes();
    theApp.m_nVirtualCameras = options.virtualCameras;
    theApp.SetCommandLine(argc, argv);
    theApp.InitInstance();
    return 0;
}
