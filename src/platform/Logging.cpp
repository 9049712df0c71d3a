#include "platform/Logging.h"

Q_LOGGING_CATEGORY(lcCapture, "lumivisor.capture", QtWarningMsg)
