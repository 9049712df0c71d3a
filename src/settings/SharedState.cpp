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

BYTE* FrameBuffer = nullptr;
std::int32_t FrameBufferSize = 0;
std::mutex FrameBufferMutex;

std::atomic<HWND> MainWindowHandle{nullptr};
std::atomic<std::int32_t> StillRequested{0};
std::atomic<std::int32_t> PreviewFrozen{0};
