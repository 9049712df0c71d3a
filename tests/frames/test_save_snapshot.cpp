// Numbered pictures from the frame sink: names, the number taken before writing, no file
// replaced, pictures upright with the crosshair, the save settings changed by another
// thread while pictures are written, and the picture writer's own thread.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <atomic>
#include <thread>
#include <vector>

#include "frames/CSampleGrabberCB.h"
#include "frames/CSampleGrabberCBStill.h"
#include "frames/DrawCrosshair.h"
#include "frames/FrameState.h"
#include "frames/PictureWriter.h"
#include "frames/SaveSnapshot.h"
#include "frames/SnapshotHook.h"
#include "settings/SharedState.h"

namespace {

constexpr LONG kWidth = 64;
constexpr LONG kHeight = 48;

// An RGB24 frame, rows bottom-up: the displayed top half red, the bottom half blue.
std::vector<BYTE> TwoBandFrame() {
    std::vector<BYTE> frame(std::size_t(Rgb24Stride(kWidth) * kHeight));
    for (LONG storageRow = 0; storageRow < kHeight; ++storageRow) {
        const bool top = storageRow >= kHeight / 2;
        for (LONG x = 0; x < kWidth; ++x) {
            BYTE* p = frame.data() + storageRow * Rgb24Stride(kWidth) + x * 3;
            p[0] = top ? 0 : 255;
            p[2] = top ? 255 : 0;
        }
    }
    return frame;
}

// A white line on the red or blue background: green, which neither band has, comes up
// (one-pixel lines lose some of their strength in a JPEG).
bool Whitish(QRgb pixel) {
    return qGreen(pixel) > 100;
}

bool Near(QRgb pixel, int r, int g, int b) {
    return std::abs(qRed(pixel) - r) < 40 && std::abs(qGreen(pixel) - g) < 40 &&
           std::abs(qBlue(pixel) - b) < 40;
}

class Snapshot : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        {
            std::lock_guard lock(SaveSettingsMutex);
            SaveFolder = dir.path() + "/";
            PicturePrefix = "NEWPIC";
            NextPictureNumber = 0;
        }
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
        StillRequested = 0;
        PreviewFrozen = 0;
        FrameCallback.CrosshairOn = false;
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder.clear();
        NextPictureNumber = 0;
    }
    void Deliver(std::vector<BYTE> frame) {
        FrameCallback.BufferCB(0.0, frame.data(), LONG(frame.size()));
    }
    void Snap() {
        StillRequested = 1;
        Deliver(TwoBandFrame());
    }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
    QString File(const QString& name) const { return QDir(dir.path()).filePath(name); }
    static std::int32_t Next() {
        std::lock_guard lock(SaveSettingsMutex);
        return NextPictureNumber;
    }

    QTemporaryDir dir;
};

}  // namespace

TEST(SnapshotName, FolderPrefixNumber) {
    EXPECT_EQ(PictureFileName("/data/", "NEWPIC", 12), "/data/NEWPIC_12.jpg");
    EXPECT_EQ(PictureFileName("", "NEWPIC", 3), "NEWPIC_3.jpg");
    EXPECT_EQ(PictureFileName("/data/", "", -1), "/data/_-1.jpg");
}

TEST_F(Snapshot, TwoPicturesTakeTwoNumbersUprightAtTheFrameSize) {
    Snap();
    Snap();
    EXPECT_EQ(Files(), QStringList({"NEWPIC_0.jpg", "NEWPIC_1.jpg"}));
    EXPECT_EQ(Next(), 2);
    const QImage image(File("NEWPIC_1.jpg"));
    ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
    EXPECT_TRUE(Near(image.pixel(kWidth / 2, 2), 255, 0, 0));            // top red
    EXPECT_TRUE(Near(image.pixel(kWidth / 2, kHeight - 3), 0, 0, 255));  // bottom blue
}

TEST_F(Snapshot, SeveralRequestsBeforeAFrameGiveOnePicture) {
    StillRequested = 1;
    StillRequested = 1;
    Deliver(TwoBandFrame());
    Deliver(TwoBandFrame());
    EXPECT_EQ(Files(), QStringList({"NEWPIC_0.jpg"}));
    EXPECT_EQ(StillRequested.load(), 0);
}

// The camera's still image and a Snap between two frames ask for the same picture.
TEST_F(Snapshot, StillSampleAndSnapBetweenTwoFramesGiveOnePicture) {
    Deliver(TwoBandFrame());
    StillCallback.SampleCB(0.0, nullptr);
    StillRequested = 1;
    Deliver(TwoBandFrame());
    Deliver(TwoBandFrame());
    EXPECT_EQ(Files(), QStringList({"NEWPIC_0.jpg"}));
}

TEST_F(Snapshot, CrosshairOnlyInPicturesTakenWhileItIsOn) {
    FrameCallback.CrosshairOn = true;
    Snap();
    FrameCallback.CrosshairOn = false;
    Snap();
    const QImage with(File("NEWPIC_0.jpg"));
    const QImage without(File("NEWPIC_1.jpg"));
    ASSERT_FALSE(with.isNull());
    ASSERT_FALSE(without.isNull());
    // Column width / 2 and storage row height / 2 (displayed row height - 1 - height / 2).
    const int row = kHeight - 1 - kHeight / 2;
    EXPECT_TRUE(Whitish(with.pixel(kWidth / 2, 5)));
    EXPECT_TRUE(Whitish(with.pixel(5, row)));
    EXPECT_FALSE(Whitish(with.pixel(kWidth / 2 + 3, 5)));
    EXPECT_FALSE(Whitish(without.pixel(kWidth / 2, 5)));
    EXPECT_FALSE(Whitish(without.pixel(5, row)));
}

TEST_F(Snapshot, FrozenPreviewGivesTheFrozenFrame) {
    Deliver(TwoBandFrame());
    PreviewFrozen = 1;
    StillRequested = 1;
    Deliver(std::vector<BYTE>(TwoBandFrame().size(), 0));  // a black live frame
    const QImage image(File("NEWPIC_0.jpg"));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(Near(image.pixel(kWidth / 2, 2), 255, 0, 0));
}

TEST_F(Snapshot, MissingFolderUsesUpTheNumberAndWritesNothing) {
    {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = dir.path() + "/missing/";
    }
    Snap();
    EXPECT_EQ(Next(), 1);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = dir.path() + "/";
    }
    Snap();
    EXPECT_EQ(Files(), QStringList({"NEWPIC_1.jpg"}));
}

TEST_F(Snapshot, EmptyFolderWritesIntoTheCurrentFolder) {
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder.clear();
        NextPictureNumber = 3;
    }
    Snap();
    QDir::setCurrent(before);
    EXPECT_EQ(Files(), QStringList({"NEWPIC_3.jpg"}));
}

TEST_F(Snapshot, ATakenNameIsSkippedAndLeftAlone) {
    for (const char* name : {"NEWPIC_0.jpg", "NEWPIC_1.jpg"}) {
        QFile existing(File(name));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("keep");
    }
    Snap();
    EXPECT_EQ(Files(), QStringList({"NEWPIC_0.jpg", "NEWPIC_1.jpg", "NEWPIC_2.jpg"}));
    EXPECT_EQ(Next(), 3);  // the counter continues after the number used
    QFile first(File("NEWPIC_0.jpg"));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), "keep");
    EXPECT_FALSE(QImage(File("NEWPIC_2.jpg")).isNull());
}

TEST_F(Snapshot, AFrameThatDoesNotFillThePictureWritesNothing) {
    // Width x Height of the sink say 64 x 48; the delivery is shorter.
    StillRequested = 1;
    Deliver(std::vector<BYTE>(100, 7));
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_EQ(StillRequested.load(), 0);
}

// The UI thread changes the save settings (Set Folder) while the streaming thread writes
// pictures: every picture lands under one consistent name, none is lost or replaced.
TEST_F(Snapshot, SettingsChangedWhilePicturesAreWritten) {
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        for (int i = 0; i < 20; ++i) Snap();
        done = true;
    });
    int changes = 0;
    while (!done) {
        std::lock_guard lock(SaveSettingsMutex);
        const bool first = changes++ % 2 == 0;
        SaveFolder = (first ? other.path() : dir.path()) + "/";
        PicturePrefix = first ? "OTHER" : "NEWPIC";
    }
    streaming.join();
    const QStringList here = Files();
    const QStringList there = QDir(other.path()).entryList(QDir::Files);
    EXPECT_EQ(here.size() + there.size(), 20);
    for (const QString& name : here) EXPECT_TRUE(name.startsWith("NEWPIC_")) << name.toStdString();
    for (const QString& name : there) EXPECT_TRUE(name.startsWith("OTHER_")) << name.toStdString();
    EXPECT_EQ(Next(), 20);
}

// The writer's thread: each asked frame in turn, from its own frame however the sink goes
// on (it copies into arrays it reuses unless someone else holds them), all before it goes.
TEST_F(Snapshot, TheWriterThreadWritesEachAskedFrameInTurnBeforeItGoes) {
    FrameCallback.BitCount = 32;
    const std::vector<BYTE> greys = {0x20, 0xA0, 0x60, 0xE0};  // B, G, R and unused each
    {
        PictureWriter writer;
        for (std::size_t i = 0; i < greys.size(); ++i) {
            if (i < 3) StillRequested = 1;
            Deliver(std::vector<BYTE>(std::size_t(kWidth * kHeight * 4), greys[i]));
        }
    }
    FrameCallback.BitCount = 24;
    ASSERT_EQ(Files(), QStringList({"NEWPIC_0.jpg", "NEWPIC_1.jpg", "NEWPIC_2.jpg"}));
    for (int i = 0; i < 3; ++i) {
        const QImage picture(File(Files()[i]));
        ASSERT_EQ(picture.size(), QSize(kWidth, kHeight));
        EXPECT_NEAR(qGray(picture.pixel(kWidth / 2, kHeight / 2)), greys[std::size_t(i)], 4) << i;
    }
}
