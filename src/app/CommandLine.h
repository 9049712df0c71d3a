// The program's command line. Its one option, --virtual-cameras N, lists N simulated
// cameras beside the real ones; every other argument is left to Qt.
#pragma once

#include <QString>
#include <QStringList>

struct CommandLineOptions {
    int virtualCameras = 0;
    bool showHelp = false;
    QString error;  // non-empty when the command line cannot be used
};

inline constexpr int kMaxVirtualCameras = 64;

// args: the arguments after the program name.
CommandLineOptions ParseCommandLine(const QStringList& args);

QString CommandLineUsage();
