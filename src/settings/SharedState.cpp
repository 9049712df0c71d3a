#include "settings/SharedState.h"

QString SaveFolder;
QString PicturePrefix = QStringLiteral("NEWPIC");
QString VideoPrefix = QStringLiteral("NEWAVI");
std::int32_t NextPictureNumber = 0;
std::int32_t NextVideoNumber = 0;
std::mutex SaveSettingsMutex;

std::int32_t LanguageFlag = 0;
BYTE AutoNumbering = 1;

BITMAPINFOHEADER FrameInfo;
