// The program's logging categories, one per layer. All are quiet by default (critical only);
// each is turned on with QT_LOGGING_RULES, e.g. QT_LOGGING_RULES="lumivisor.*=true" for all.
#pragma once

#include <QLoggingCategory>

// The window: camera recovery and device notices as the window sees them.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
// The capture engine: one line for each recording that ends.
Q_DECLARE_LOGGING_CATEGORY(lcCapture)
// The media layer: GStreamer's errors and warnings (its bus and its own log).
Q_DECLARE_LOGGING_CATEGORY(lcMedia)
// The video input devices: cameras that come and go.
Q_DECLARE_LOGGING_CATEGORY(lcDevices)
