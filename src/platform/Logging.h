// The program's logging categories, one per layer, quiet by default (warnings only); each is
// turned on with QT_LOGGING_RULES, e.g. QT_LOGGING_RULES="lumivisor.capture.info=true".
#pragma once

#include <QLoggingCategory>

// The capture engine: one line for each recording that ends.
Q_DECLARE_LOGGING_CATEGORY(lcCapture)
