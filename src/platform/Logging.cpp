#include "platform/Logging.h"

Q_LOGGING_CATEGORY(lcApp, "lumivisor.app", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcCapture, "lumivisor.capture", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcMedia, "lumivisor.media", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcDevices, "lumivisor.devices", QtCriticalMsg)
