#include "frames/CImage.h"

#include <fcntl.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "platform/NarrowString.h"

LONG DibStride(LONG width, WORD bitCount) {
    if (width <= 0) return 0;
    return static_cast<LONG>(((std::int64_t(width) * bitCount + 31) / 32) * 4);
}

std::unique_ptr<DibSection> CreateDIBSection(const BITMAPINFOHEADER& header) {
    if (header.biBitCount != 24 && header.biBitCount != 32) return nullptr;
    if (header.biCompression != BI_RGB || header.biWidth <= 0 || header.biHeight == 0)
        return nullptr;
    const std::int64_t rows =
        header.biHeight < 0 ? -std::int64_t(header.biHeight) : header.biHeight;
    const std::int64_t size = std::int64_t(DibStride(header.biWidth, header.biBitCount)) * rows;
    if (size > std::numeric_limits<std::int32_t>::max()) return nullptr;
    auto dib = std::unique_ptr<DibSection>(new (std::nothrow) DibSection);
    if (!dib) return nullptr;
    dib->header = header;
    try {
        dib->bits.assign(static_cast<std::size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return dib;
}

void CImage::Attach(std::unique_ptr<DibSection> bitmap) {
    bitmap_ = std::move(bitmap);
    width_ = height_ = bpp_ = pitch_ = 0;
    bits_ = nullptr;
    if (!bitmap_) return;
    const BITMAPINFOHEADER& h = bitmap_->header;
    width_ = h.biWidth;
    height_ = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    bpp_ = h.biBitCount;
    pitch_ = DibStride(h.biWidth, h.biBitCount);
    bits_ = bitmap_->bits.data();
    if (h.biHeight > 0) {  // bottom-up: the top displayed row is the last one in memory
        bits_ += std::ptrdiff_t(pitch_) * (height_ - 1);
        pitch_ = -pitch_;
    }
}

QImage CImage::ToImage() const {
    if (!bitmap_ || width_ <= 0 || height_ <= 0) return {};
    const QImage::Format format = bpp_ == 32 ? QImage::Format_RGB32 : QImage::Format_BGR888;
    QImage image(width_, height_, format);
    if (image.isNull()) return {};
    const std::size_t rowBytes = std::size_t(width_) * std::size_t(bpp_ / 8);
    for (int y = 0; y < height_; ++y)
        std::memcpy(image.scanLine(y), bits_ + std::ptrdiff_t(y) * pitch_, rowBytes);
    return image;
}

QString PathFindExtension(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash) return {};
    return path.mid(dot);
}

QList<QByteArray> ImageEncoders() {
    return QImageWriter::supportedImageFormats();
}

QByteArray FindEncoderForExtension(const QString& extension, const QList<QByteArray>& encoders) {
    if (extension.size() < 2 || !extension.startsWith(QLatin1Char('.'))) return {};
    for (const QByteArray& encoder : encoders) {
        // Each writer stands for the files "*.<format>".
        const QString pattern = QStringLiteral("*.") + QString::fromLatin1(encoder);
        if (PathFindExtension(pattern).compare(extension, Qt::CaseInsensitive) == 0) return encoder;
    }
    return {};
}

namespace {

// A failed file call as the picture writer reports it: the name taken, the disk full, or
// any other failure.
HRESULT PictureWriteResult(int error) {
    const HRESULT hr = HresultFromErrno(error, E_FAIL);
    return hr == kPictureFileExists || hr == kPictureDiskFull ? hr : E_FAIL;
}

}  // namespace

HRESULT SavePicture(const CImage& picture, const char* fileName) {
    if (fileName == nullptr || picture.IsNull()) return E_FAIL;
    const QString name = FromNarrow(fileName);
    const QByteArray encoder = FindEncoderForExtension(PathFindExtension(name), ImageEncoders());
    if (encoder.isEmpty()) return E_FAIL;
    const QImage image = picture.ToImage();
    if (image.isNull()) return E_OUTOFMEMORY;

    // Encoded in memory first, so that the file is open only for the write and the
    // system's own error code tells a full disk from other failures.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, encoder);
        if (!writer.write(image)) return E_FAIL;
    }
    // Created here and only here: an existing file is never opened for writing. The name's
    // bytes are the file system's, whether UTF-8 or not.
    const QByteArray path(fileName);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return PictureWriteResult(errno);
    int error = 0;
    for (qsizetype done = 0; done < bytes.size() && error == 0;) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EINTR)
            error = errno;
        else if (n == 0)
            error = EIO;
    }
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    if (error != 0) {
        ::unlink(path.constData());
        return PictureWriteResult(error);
    }
    return S_OK;
}
