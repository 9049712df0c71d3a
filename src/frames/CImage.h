// The picture object: one 24-bit (or 32-bit) device-independent bitmap, written to a file in
// the format the file name's extension names, through Qt's image writers.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

#include "media/com/Hresult.h"
#include "platform/WinTypes.h"

// A device-independent bitmap with its own pixel memory: the header as created (a positive
// height means rows bottom-up) and |height| rows of DibStride bytes.
struct DibSection {
    BITMAPINFOHEADER header;
    std::vector<BYTE> bits;
};

// Bytes per row of a bitmap: ((width * bits per pixel + 31) / 32) * 4.
LONG DibStride(LONG width, WORD bitCount);

// A bitmap for the header with zeroed pixel memory; nullptr for a header this program
// cannot hold (not 24 or 32 bits, not BI_RGB, width <= 0, height 0, more than 2^31 bytes)
// or when memory runs out.
std::unique_ptr<DibSection> CreateDIBSection(const BITMAPINFOHEADER& header);

// SavePicture's code for a file name that is already taken: nothing is written and the
// existing file stays as it is (HRESULT_FROM_WIN32(ERROR_FILE_EXISTS)).
inline constexpr HRESULT kPictureFileExists = static_cast<HRESULT>(0x80070050);
// SavePicture's code for a write that failed for want of space (or quota) on the disk
// (HRESULT_FROM_WIN32(ERROR_DISK_FULL)); the partial file is removed.
inline constexpr HRESULT kPictureDiskFull = E_DISK_FULL;

class CImage {
public:
    CImage() = default;
    ~CImage() = default;
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;

    // Takes the bitmap (an empty pointer detaches). Width, height, bits per pixel, pitch and
    // pixel pointer come from the bitmap: for a bottom-up bitmap the pixel pointer is the
    // last row in memory and the pitch negative.
    void Attach(std::unique_ptr<DibSection> bitmap);
    bool IsNull() const { return !bitmap_; }

    int GetWidth() const { return width_; }
    // Always positive.
    int GetHeight() const { return height_; }
    int GetBPP() const { return bpp_; }
    // Signed byte distance from one displayed row to the next.
    int GetPitch() const { return pitch_; }
    // The topmost displayed row.
    const BYTE* GetBits() const { return bits_; }
    bool IsDIBSection() const { return bitmap_ != nullptr; }
    bool HasAlpha() const { return false; }

    // The picture as it displays (top row first), in an image of the bitmap's own bytes;
    // a null image when nothing is attached.
    QImage ToImage() const;

private:
    std::unique_ptr<DibSection> bitmap_;
    int width_ = 0;
    int height_ = 0;
    int bpp_ = 0;
    int pitch_ = 0;
    const BYTE* bits_ = nullptr;
};

// The extension of a path: the text from the last "." of its last component, the dot
// included; empty when that component has none.
QString PathFindExtension(const QString& path);

// The image formats Qt can write, in the order Qt lists them.
QList<QByteArray> ImageEncoders();

// The first encoder whose extension equals the wanted one (".jpg"), ignoring case; an
// empty name when none does or the extension is empty.
QByteArray FindEncoderForExtension(const QString& extension, const QList<QByteArray>& encoders);

// Writes the picture to a new file named fileName (UTF-8 path) in the format its extension
// names, with the writer's default settings. S_OK; kPictureFileExists when the name is
// taken; kPictureDiskFull when the disk has no room for it; E_FAIL for no picture, no or an
// unknown extension, a file that cannot be created, or another failed write. A failed
// write leaves no file behind. Never replaces an existing file.
HRESULT SavePicture(const CImage& picture, const char* fileName);
