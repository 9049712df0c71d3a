// The picture object and its writers: format by extension, rows upright, no file replaced.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include "frames/CImage.h"

namespace {

// A width x height 24-bit bitmap whose displayed top half is red and bottom half blue;
// rows bottom-up for bottomUp, else top-down.
std::unique_ptr<DibSection> TwoBandBitmap(LONG width, LONG height, bool bottomUp) {
    BITMAPINFOHEADER h;
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = bottomUp ? height : -height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    auto dib = CreateDIBSection(h);
    const LONG stride = DibStride(width, 24);
    for (LONG storageRow = 0; storageRow < height; ++storageRow) {
        const LONG shownRow = bottomUp ? height - 1 - storageRow : storageRow;
        const bool top = shownRow < height / 2;
        for (LONG x = 0; x < width; ++x) {
            BYTE* p = dib->bits.data() + storageRow * stride + x * 3;  // B, G, R
            p[0] = top ? 0 : 255;
            p[2] = top ? 255 : 0;
        }
    }
    return dib;
}

QString PathIn(const QTemporaryDir& dir, const QString& name) {
    return QDir(dir.path()).filePath(name);
}

HRESULT Save(const CImage& picture, const QString& path) {
    return SavePicture(picture, path.toUtf8().constData());
}

}  // namespace

TEST(PictureExtension, LastDotOfTheLastComponent) {
    EXPECT_EQ(PathFindExtension("/a/b/NEWPIC_3.jpg"), ".jpg");
    EXPECT_EQ(PathFindExtension("x.tar.GZ"), ".GZ");
    EXPECT_EQ(PathFindExtension("/a.d/NEWPIC_3"), "");
    EXPECT_EQ(PathFindExtension("name."), ".");
    EXPECT_EQ(PathFindExtension(""), "");
}

TEST(PictureEncoder, FirstEncoderListingTheExtensionIgnoringCase) {
    const QList<QByteArray> encoders{"bmp", "jpeg", "jpg", "png"};
    EXPECT_EQ(FindEncoderForExtension(".JPEG", encoders), "jpeg");
    EXPECT_EQ(FindEncoderForExtension(".pNg", encoders), "png");
    EXPECT_TRUE(FindEncoderForExtension(".gif", encoders).isEmpty());
    EXPECT_TRUE(FindEncoderForExtension(".", encoders).isEmpty());
    EXPECT_TRUE(FindEncoderForExtension("", encoders).isEmpty());
    EXPECT_TRUE(FindEncoderForExtension("jpg", encoders).isEmpty());  // not an extension
}

class PictureJpegName : public ::testing::TestWithParam<const char*> {};

// Every spelling of .jpg writes a JPEG file that reads back at the picture's size.
TEST_P(PictureJpegName, SelectsTheJpegWriter) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CImage picture;
    picture.Attach(TwoBandBitmap(64, 48, true));
    const QString path = PathIn(dir, QString("NEWPIC_0") + GetParam());
    ASSERT_EQ(Save(picture, path), S_OK);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    EXPECT_EQ(reader.format(), "jpeg");
    EXPECT_EQ(reader.read().size(), QSize(64, 48));
}

INSTANTIATE_TEST_SUITE_P(Spellings, PictureJpegName, ::testing::Values(".jpg", ".JPG", ".Jpg"),
                         [](const auto& p) { return std::string(p.param + 1); });

class PictureBadName : public ::testing::TestWithParam<const char*> {};

TEST_P(PictureBadName, FailsAndWritesNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CImage picture;
    picture.Attach(TwoBandBitmap(16, 16, true));
    EXPECT_EQ(Save(picture, PathIn(dir, GetParam())), E_FAIL);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Names, PictureBadName,
                         ::testing::Values("NEWPIC_0", "NEWPIC_0.", "NEWPIC_0.xyz",
                                           "no_such_folder/NEWPIC_0.jpg"),
                         [](const auto& p) { return "case" + std::to_string(p.index); });

class PictureRows : public ::testing::TestWithParam<bool> {};

// Bottom-up and top-down bitmaps are both written upright, as they display (PNG: exact).
TEST_P(PictureRows, WrittenUpright) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CImage picture;
    picture.Attach(TwoBandBitmap(10, 8, GetParam()));
    EXPECT_EQ(picture.GetHeight(), 8);
    EXPECT_EQ(picture.GetPitch(), GetParam() ? -32 : 32);
    const QString path = PathIn(dir, "p.png");
    ASSERT_EQ(Save(picture, path), S_OK);
    const QImage image(path);
    ASSERT_EQ(image.size(), QSize(10, 8));
    EXPECT_EQ(image.pixel(9, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(0, 3), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(0, 4), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(9, 7), qRgb(0, 0, 255));
}

INSTANTIATE_TEST_SUITE_P(Order, PictureRows, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "BottomUp" : "TopDown"; });

TEST(Picture, AnExistingFileIsNeverReplaced) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = PathIn(dir, "NEWPIC_0.jpg");
    {
        QFile existing(path);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("keep me");
    }
    CImage picture;
    picture.Attach(TwoBandBitmap(16, 16, true));
    EXPECT_EQ(Save(picture, path), kPictureFileExists);
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "keep me");
}

TEST(Picture, NothingAttachedFails) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CImage picture;
    EXPECT_EQ(Save(picture, PathIn(dir, "a.jpg")), E_FAIL);
    EXPECT_FALSE(QFile::exists(PathIn(dir, "a.jpg")));
}

TEST(PictureBitmap, OnlyHeadersThePictureCanHold) {
    BITMAPINFOHEADER good;
    good.biSize = 40;
    good.biWidth = 5;
    good.biHeight = 3;
    good.biPlanes = 1;
    good.biBitCount = 24;
    auto dib = CreateDIBSection(good);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bits.size(), 16u * 3u);  // rows padded to 4 bytes
    auto bad = [&](auto change) {
        BITMAPINFOHEADER h = good;
        change(h);
        return CreateDIBSection(h) == nullptr;
    };
    EXPECT_TRUE(bad([](BITMAPINFOHEADER& h) { h.biBitCount = 8; }));
    EXPECT_TRUE(bad([](BITMAPINFOHEADER& h) { h.biCompression = 1; }));
    EXPECT_TRUE(bad([](BITMAPINFOHEADER& h) { h.biWidth = 0; }));
    EXPECT_TRUE(bad([](BITMAPINFOHEADER& h) { h.biHeight = 0; }));
    EXPECT_TRUE(bad([](BITMAPINFOHEADER& h) {
        h.biWidth = 100000;
        h.biHeight = 100000;
    }));
}
