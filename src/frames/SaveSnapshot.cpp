#include "frames/SaveSnapshot.h"

#include <cstring>
#include <mutex>

#include "frames/CImage.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "frames/SnapshotHook.h"
#include "platform/NarrowString.h"
#include "settings/SharedState.h"

namespace {

// Taken names skipped in one picture before it is given up (the numbers stay used).
constexpr int kMaxTakenNames = 1000;

// The next picture name; advances NextPictureNumber under the lock.
QString TakePictureName() {
    std::lock_guard lock(SaveSettingsMutex);
    const std::int32_t number = NextPictureNumber;
    const QString name = PictureFileName(SaveFolder, PicturePrefix, number);
    if (number < INT32_MAX) NextPictureNumber = number + 1;
    return name;
}

}  // namespace

int SaveSnapshot(CSampleGrabberCB& callback, LONG length, const BYTE* source) {
    return SaveSnapshot(callback.Width.load(), callback.Height.load(),
                        WORD(callback.BitCount.load()), length, source);
}

int SaveSnapshot(LONG width, LONG height, WORD bitCount, LONG length, const BYTE* source) {
    QString name = TakePictureName();
    if (source == nullptr || length <= 0) return 1;

    BITMAPINFOHEADER header;
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bitCount == 32 ? 32 : 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(length);

    std::unique_ptr<DibSection> dib = CreateDIBSection(header);
    // A frame that does not fill the bitmap exactly is not a picture of this size.
    if (!dib || dib->bits.size() != static_cast<std::size_t>(length)) return 1;
    std::memcpy(dib->bits.data(), source, static_cast<std::size_t>(length));

    CImage picture;
    picture.Attach(std::move(dib));
    HRESULT result = kPictureFileExists;
    for (int attempt = 0; attempt < kMaxTakenNames && result == kPictureFileExists; ++attempt) {
        if (attempt > 0) name = TakePictureName();
        result = SavePicture(picture, ToNarrow(name).constData());
    }
    // The user learns of a picture that was not written (a full disk, a folder that cannot
    // be written); the window says why.
    if (FAILED(result)) ReportPictureNotSaved(result);
    return 1;
}

void InstallSaveSnapshot() {
    SetSaveSnapshot([](CSampleGrabberCB& callback, LONG length, BYTE* frame) {
        SaveSnapshot(callback, length, frame);
    });
}
