// Pictures: the picture object and its writers (format by extension, rows upright, no file
// replaced), and numbered pictures from the frame sink (names, the number taken before
// writing, the crosshair, settings changed by another thread, the writer's own thread).
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <thread>

#include "TestSupport.h"
#include "frames/CImage.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/DrawCrosshair.h"
#include "frames/FrameState.h"
#include "frames/PictureWriter.h"
#include "frames/SaveSnapshot.h"
#include "frames/SnapshotHook.h"
#include "settings/SharedState.h"

namespace {

using lumitest::ReadFile;
using lumitest::WriteFile;

// RGB24 rows of a width x height picture whose displayed top half is red and bottom half
// blue; stored bottom-up, else top-down.
std::vector<BYTE> TwoBands(LONG width, LONG height, bool bottomUp = true) {
    const LONG stride = Rgb24Stride(width);
    std::vector<BYTE> bytes(std::size_t(stride * height));
    for (LONG row = 0; row < height; ++row)
        for (LONG x = 0; x < width; ++x) {
            const bool top = (bottomUp ? height - 1 - row : row) < height / 2;
            bytes[std::size_t(row * stride + x * 3 + (top ? 2 : 0))] = 255;  // B, G, R
        }
    return bytes;
}

void AttachTwoBands(CImage& picture, LONG width, LONG height, bool bottomUp = true) {
    auto dib = CreateDIBSection({40, width, bottomUp ? height : -height, 1, 24});
    dib->bits = TwoBands(width, height, bottomUp);
    picture.Attach(std::move(dib));
}

bool Near(QRgb pixel, int r, int g, int b) {
    return std::abs(qRed(pixel) - r) < 40 && std::abs(qGreen(pixel) - g) < 40 &&
           std::abs(qBlue(pixel) - b) < 40;
}

TEST(Picture, NamesExtensionsAndEncoders) {
    EXPECT_EQ(QStringList({PathFindExtension("/a/b/NEWPIC_3.jpg"), PathFindExtension("x.tar.GZ"),
                           PathFindExtension("/a.d/NEWPIC_3"), PathFindExtension("name."),
                           PathFindExtension("")}),
              QStringList({".jpg", ".GZ", "", ".", ""}));
    const QList<QByteArray> encoders{"bmp", "jpeg", "jpg", "png"};
    EXPECT_EQ(FindEncoderForExtension(".JPEG", encoders), "jpeg");
    EXPECT_EQ(FindEncoderForExtension(".pNg", encoders), "png");
    for (const char* none : {".gif", ".", "", "jpg"})
        EXPECT_TRUE(FindEncoderForExtension(none, encoders).isEmpty()) << none;
    EXPECT_EQ(PictureFileName("/data/", "NEWPIC", 12), "/data/NEWPIC_12.jpg");
    EXPECT_EQ(PictureFileName("", "", -1), "_-1.jpg");
}

// Every spelling of .jpg writes a JPEG that reads back at the picture's size; no picture,
// no or an unknown extension, or a missing folder fail and write nothing; a taken name is
// never replaced.
TEST(Picture, SaveWritesTheFormatOfTheExtensionAndNeverReplacesAFile) {
    QTemporaryDir dir;
    CImage picture;
    AttachTwoBands(picture, 64, 48);
    for (const char* name : {"a.jpg", "b.JPG", "c.Jpg"}) {
        ASSERT_EQ(SavePicture(picture, dir.filePath(name).toUtf8()), S_OK);
        QImageReader reader(dir.filePath(name));
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), "jpeg");
        EXPECT_EQ(reader.read().size(), QSize(64, 48));
        QFile::remove(dir.filePath(name));
    }
    for (const char* name : {"NEWPIC_0", "NEWPIC_0.", "NEWPIC_0.xyz", "missing/NEWPIC_0.jpg"})
        EXPECT_EQ(SavePicture(picture, dir.filePath(name).toUtf8()), E_FAIL) << name;
    EXPECT_EQ(SavePicture(CImage(), dir.filePath("a.jpg").toUtf8()), E_FAIL);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    ASSERT_TRUE(WriteFile(dir.filePath("a.jpg"), "keep me"));
    EXPECT_EQ(SavePicture(picture, dir.filePath("a.jpg").toUtf8()), kPictureFileExists);
    EXPECT_EQ(ReadFile(dir.filePath("a.jpg")), "keep me");
}

// Bottom-up and top-down bitmaps are both written upright, as they display (PNG: exact).
TEST(Picture, RowsAreWrittenUpright) {
    QTemporaryDir dir;
    for (const bool bottomUp : {true, false}) {
        CImage picture;
        AttachTwoBands(picture, 10, 8, bottomUp);
        EXPECT_EQ(picture.GetHeight(), 8);
        EXPECT_EQ(picture.GetPitch(), bottomUp ? -32 : 32);
        const QString path = dir.filePath(bottomUp ? "up.png" : "down.png");
        ASSERT_EQ(SavePicture(picture, path.toUtf8()), S_OK);
        const QImage image(path);
        ASSERT_EQ(image.size(), QSize(10, 8));
        EXPECT_EQ(image.pixel(9, 0), qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(0, 3), qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(0, 4), qRgb(0, 0, 255));
        EXPECT_EQ(image.pixel(9, 7), qRgb(0, 0, 255));
    }
}

// Only 24 or 32 bits, uncompressed, with a width, a height and less than 2^31 bytes.
TEST(Picture, OnlyBitmapsThePictureCanHold) {
    const auto dib = CreateDIBSection({40, 5, 3, 1, 24});
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bits.size(), 16u * 3u);  // rows padded to 4 bytes
    for (const BITMAPINFOHEADER& h : {BITMAPINFOHEADER{40, 5, 3, 1, 8},
                                      {40, 5, 3, 1, 24, 1},
                                      {40, 0, 3, 1, 24},
                                      {40, 5, 0, 1, 24},
                                      {40, 100000, 100000, 1, 24}})
        EXPECT_EQ(CreateDIBSection(h), nullptr) << h.biWidth << " " << h.biBitCount;
}

constexpr LONG kWidth = 64;
constexpr LONG kHeight = 48;

class Snapshot : public ::testing::Test {
protected:
    void SetUp() override {
        Settings(dir.path() + "/", 0);
        FreeFrameBuffer();
        StillRequested = 0;
        PreviewFrozen = 0;
        FrameCallback.Width = kWidth;
        FrameCallback.Height = kHeight;
        FrameCallback.CrosshairOn = false;
        InstallSaveSnapshot();
    }
    void TearDown() override {
        SetSaveSnapshot(nullptr);
        FreeFrameBuffer();
        FrameCallback.CrosshairOn = false;
        Settings({}, 0);
    }
    static void Settings(const QString& folder, std::int32_t next) {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder;
        PicturePrefix = "NEWPIC";
        NextPictureNumber = next;
    }
    static void Deliver(std::vector<BYTE> frame) {
        FrameCallback.BufferCB(0.0, frame.data(), LONG(frame.size()));
    }
    static void Snap() {
        StillRequested = 1;
        Deliver(TwoBands(kWidth, kHeight));
    }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
    static std::int32_t Next() {
        std::lock_guard lock(SaveSettingsMutex);
        return NextPictureNumber;
    }

    QTemporaryDir dir;
};

// Each picture takes the next number, upright at the frame's size, with the crosshair
// (column width / 2, storage row height / 2) only while it is on.
TEST_F(Snapshot, PicturesTakeTheNextNumbersUprightWithTheCrosshairWhileItIsOn) {
    FrameCallback.CrosshairOn = true;
    Snap();
    FrameCallback.CrosshairOn = false;
    Snap();
    EXPECT_EQ(Files(), QStringList({"NEWPIC_0.jpg", "NEWPIC_1.jpg"}));
    EXPECT_EQ(Next(), 2);
    const QImage with(dir.filePath("NEWPIC_0.jpg")), without(dir.filePath("NEWPIC_1.jpg"));
    ASSERT_EQ(without.size(), QSize(kWidth, kHeight));
    EXPECT_TRUE(Near(without.pixel(kWidth / 2, 2), 255, 0, 0));            // top red
    EXPECT_TRUE(Near(without.pixel(kWidth / 2, kHeight - 3), 0, 0, 255));  // bottom blue
    // Green, which neither band has, shows a white line (one pixel wide: weakened by JPEG).
    const auto whitish = [](QRgb pixel) { return qGreen(pixel) > 100; };
    const int row = kHeight - 1 - kHeight / 2;
    EXPECT_TRUE(whitish(with.pixel(kWidth / 2, 5)) && whitish(with.pixel(5, row)));
    EXPECT_FALSE(whitish(with.pixel(kWidth / 2 + 3, 5)));
    EXPECT_FALSE(whitish(without.pixel(kWidth / 2, 5)) || whitish(without.pixel(5, row)));
}

// The number is used up even when nothing is written (a missing folder); a taken name is
// skipped and left alone, the counter continuing after the number used; an empty folder is
// the current folder; a frame that does not fill the picture writes nothing.
TEST_F(Snapshot, NumbersAndNames) {
    Settings(dir.path() + "/missing/", 0);
    Snap();
    EXPECT_EQ(Next(), 1);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    Settings(dir.path() + "/", 1);
    for (const char* name : {"NEWPIC_1.jpg", "NEWPIC_2.jpg"})
        ASSERT_TRUE(WriteFile(dir.filePath(name), "keep"));
    Snap();
    EXPECT_EQ(Files(), QStringList({"NEWPIC_1.jpg", "NEWPIC_2.jpg", "NEWPIC_3.jpg"}));
    EXPECT_EQ(Next(), 4);
    EXPECT_EQ(ReadFile(dir.filePath("NEWPIC_1.jpg")), "keep");
    EXPECT_FALSE(QImage(dir.filePath("NEWPIC_3.jpg")).isNull());

    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    Settings({}, 7);
    Snap();
    QDir::setCurrent(before);
    EXPECT_TRUE(Files().contains("NEWPIC_7.jpg"));
    StillRequested = 1;
    Deliver(std::vector<BYTE>(100, 7));
    EXPECT_EQ(Files().size(), 4);
    EXPECT_EQ(StillRequested.load(), 0);
}

// The UI thread changes the save settings (Set Folder) while the streaming thread writes
// pictures: every picture lands under one consistent name, none is lost or replaced.
TEST_F(Snapshot, SettingsChangedWhilePicturesAreWritten) {
    QTemporaryDir other;
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        for (int i = 0; i < 20; ++i) Snap();
        done = true;
    });
    for (int changes = 0; !done; ++changes) {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = (changes % 2 == 0 ? other.path() : dir.path()) + "/";
        PicturePrefix = changes % 2 == 0 ? "OTHER" : "NEWPIC";
    }
    streaming.join();
    const QStringList there = QDir(other.path()).entryList(QDir::Files);
    EXPECT_EQ(Files().size() + there.size(), 20);
    EXPECT_EQ(Files().filter(QRegularExpression("^NEWPIC_\\d+\\.jpg$")), Files());
    EXPECT_EQ(there.filter(QRegularExpression("^OTHER_\\d+\\.jpg$")), there);
    EXPECT_EQ(Next(), 20);
}

// The writer's thread: each asked frame in turn, from its own frame however the sink goes
// on (it copies into arrays it reuses unless someone else holds them), all before it goes.
TEST_F(Snapshot, TheWriterThreadWritesEachAskedFrameInTurnBeforeItGoes) {
    FrameCallback.BitCount = 32;
    const BYTE greys[] = {0x20, 0xA0, 0x60, 0xE0};  // B, G, R and unused each
    {
        PictureWriter writer;
        for (int i = 0; i < 4; ++i) {
            if (i < 3) StillRequested = 1;
            Deliver(std::vector<BYTE>(std::size_t(kWidth * kHeight * 4), greys[i]));
        }
    }
    FrameCallback.BitCount = 24;
    ASSERT_EQ(Files(), QStringList({"NEWPIC_0.jpg", "NEWPIC_1.jpg", "NEWPIC_2.jpg"}));
    for (int i = 0; i < 3; ++i) {
        const QImage picture(dir.filePath(Files()[i]));
        ASSERT_EQ(picture.size(), QSize(kWidth, kHeight));
        EXPECT_NEAR(qGray(picture.pixel(kWidth / 2, kHeight / 2)), greys[i], 4) << i;
    }
}

}  // namespace
