// The frames layer: crosshair, live and still sinks, pictures and their writers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <set>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "frames/CImage.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/CSampleGrabberCBStill.h"
#include "frames/DrawCrosshair.h"
#include "frames/FrameState.h"
#include "frames/PictureWriter.h"
#include "frames/SaveSnapshot.h"
#include "frames/SnapshotHook.h"
#include "media/graph/MediaSample.h"
#include "settings/SharedState.h"

namespace {

using Bytes = std::vector<BYTE>;
using lumitest::ReadFile;
using lumitest::WriteFile;

// The crosshair's column and row turn white and no byte outside the buffer is written.
TEST(DrawCrosshair, WritesTheRuleAndNothingOutsideTheBuffer) {
    struct Shape {
        int width, height, length;  // length -1: exactly stride x rows
    };
    for (const Shape& s : {Shape{8, 4, -1}, {5, 3, -1}, {9, -5, -1}, {6, 4, 37}, {4000, 2, 10}}) {
        SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << " in " << s.length);
        const int stride = Rgb24Stride(s.width), rows = std::abs(s.height);
        const int length = s.length < 0 ? stride * rows : s.length;
        std::set<int> white;
        for (int r = 0; r < rows; ++r)
            for (int b = 0; b < 3; ++b) white.insert(r * stride + s.width / 2 * 3 + b);
        for (int b = 0; b < s.width * 3; ++b) white.insert(rows / 2 * stride + b);
        constexpr int kGuard = 64;
        Bytes memory(std::size_t(length + 2 * kGuard), 0x22);
        DrawCrosshair(memory.data() + kGuard, s.width, s.height, length);
        for (int i = -kGuard; i < length + kGuard; ++i)
            ASSERT_EQ(memory[std::size_t(i + kGuard)],
                      i >= 0 && i < length && white.count(i) ? 0xFF : 0x22)
                << "byte " << i;
    }
}

// Degenerate shapes change nothing; a stride that would overflow is 0.
TEST(DrawCrosshair, DegenerateInputChangesNothing) {
    Bytes frame(48, 0x33);
    DrawCrosshair(nullptr, 4, 4, 48);
    const int cases[][3] = {{0, 4, 48}, {-4, 4, 48}, {4, 0, 48}, {4, 4, -48}, {0x7FFFFFFF, 1, 48}};
    for (const auto& c : cases) DrawCrosshair(frame.data(), c[0], c[1], c[2]);
    EXPECT_EQ(frame, Bytes(48, 0x33));
    EXPECT_EQ(Rgb24Stride(-3), 0);
    EXPECT_EQ(Rgb24Stride(0x7FFFFFFF), 0);
}

std::vector<Bytes> pictures;  // the frames the sink hands over as pictures

class FrameSink : public ::testing::Test {
protected:
    void SetUp() override {
        Reset();
        pictures.clear();
        SetSaveSnapshot([](CSampleGrabberCB& callback, LONG length, BYTE* frame) {
            if (&callback == &FrameCallback) pictures.emplace_back(frame, frame + length);
        });
        SetMainWindowHandle(&window);
    }
    void TearDown() override { Reset(); }
    static void Reset() {
        SetMainWindowHandle(nullptr);
        SetSaveSnapshot(nullptr);
        FreeFrameBuffer();
        PreviewFrozen = StillRequested = 0;
        FrameCallback.Width = FrameCallback.Height = 0;
        FrameCallback.CrosshairOn = false;
    }
    static HRESULT Deliver(Bytes&& frame) { return Deliver(frame); }
    static HRESULT Deliver(Bytes& frame) {
        return FrameCallback.BufferCB(0.0, frame.data(), LONG(frame.size()));
    }
    static Bytes Buffered() {
        Bytes copy;
        WithFrameBuffer([&](const BYTE* data, LONG size) {
            if (data) copy.assign(data, data + size);
        });
        return copy;
    }
    int Paints() {
        QCoreApplication::processEvents();
        return window.paints;
    }
    lumitest::RepaintCounter window;
};

// Frames are buffered exactly (a sample is kept without a copy); null or empty deliveries
// change nothing and keep the pending request.
TEST_F(FrameSink, FramesAreBufferedExactlyAndBadDeliveriesChangeNothing) {
    StillRequested = 1;
    EXPECT_EQ(FrameCallback.BufferCB(0.0, nullptr, 96), E_POINTER);
    EXPECT_EQ(FrameBuffer, nullptr);
    StillRequested = 0;
    Bytes small(96, 1), large(300, 2);
    EXPECT_EQ(Deliver(large), S_OK);
    EXPECT_EQ(Buffered(), large);
    Deliver(small);
    EXPECT_EQ(Buffered(), small);
    StillRequested = 1;
    EXPECT_EQ(FrameCallback.BufferCB(0.0, small.data(), -1), E_INVALIDARG);
    EXPECT_EQ(FrameCallback.BufferCB(0.0, small.data(), 0), E_INVALIDARG);
    EXPECT_EQ(FrameBufferSize, 96);
    EXPECT_EQ(StillRequested.exchange(0), 1);
    EXPECT_TRUE(pictures.empty());
    gst_init(nullptr, nullptr);
    Bytes frame(96, 0x40);
    GstBuffer* buffer = gst_buffer_new_memdup(frame.data(), frame.size());
    auto* sample = new MediaSample(buffer);
    gst_buffer_unref(buffer);
    BYTE* data = nullptr;
    ASSERT_EQ(sample->GetPointer(&data), S_OK);
    EXPECT_EQ(FrameCallback.SampleCB(0.0, sample), S_OK);
    sample->Release();
    EXPECT_EQ(FrameBuffer, data);
    EXPECT_EQ(Buffered(), frame);
    EXPECT_EQ(FrameCallback.SampleCB(0.0, nullptr), E_POINTER);
}

// The crosshair goes into the frame and its picture; a frozen preview keeps its buffer and
// asks no repaint.
TEST_F(FrameSink, CrosshairAndFreeze) {
    FrameCallback.Width = 8;
    FrameCallback.Height = 4;
    FrameCallback.CrosshairOn = true;
    Bytes frame(96, 0x10);
    StillRequested = 1;
    Deliver(frame);
    EXPECT_EQ(Buffered(), frame);
    EXPECT_EQ(pictures, std::vector<Bytes>{frame});
    EXPECT_EQ(frame[48], 0xFF);
    EXPECT_EQ(frame[0], 0x10);
    ASSERT_EQ(Paints(), 1);
    PreviewFrozen = 1;
    EXPECT_EQ(Deliver(Bytes(96, 0x20)), S_OK);
    EXPECT_EQ(Deliver(Bytes(200, 0x30)), S_OK);
    EXPECT_EQ(Paints(), 1);
    EXPECT_EQ(Buffered(), frame);
}

// Repaint requests coalesce until the window takes one; none without a window.
TEST_F(FrameSink, RepaintRequestsCoalesce) {
    window.acknowledge = false;
    Bytes frame(96, 9);
    for (int i = 0; i < 20; ++i) Deliver(frame);
    EXPECT_EQ(Paints(), 1);
    AcknowledgeRepaint();
    Deliver(frame);
    EXPECT_EQ(Paints(), 2);
    SetMainWindowHandle(nullptr);
    Deliver(frame);
    EXPECT_EQ(Paints(), 2);
    EXPECT_FALSE(PaintPending.load());
    SetMainWindowHandle(&window);
    Deliver(frame);
    EXPECT_EQ(Paints(), 3);
}

// A request gives one picture of the next (or frozen) frame; without one it is cleared anyway.
TEST_F(FrameSink, PictureRequests) {
    BYTE byte = 0;
    EXPECT_EQ(StillCallback.BufferCB(0.0, nullptr, 1), E_POINTER);
    EXPECT_EQ(StillCallback.BufferCB(0.0, &byte, 1), S_OK);
    EXPECT_EQ(StillRequested.exchange(0), 1);
    StillRequested = 1;
    Bytes frame(96, 0x77);
    Deliver(frame);
    Deliver(frame);
    PreviewFrozen = StillRequested = 1;
    Deliver(Bytes(96, 0x02));
    EXPECT_EQ(pictures, std::vector<Bytes>({frame, frame}));
    StillRequested = 1;
    Deliver(Bytes(120, 2));
    EXPECT_EQ(StillRequested.load(), 0);
    FreeFrameBuffer();
    StillRequested = 1;
    Deliver(frame);
    EXPECT_EQ(StillRequested.load(), 0);
    EXPECT_EQ(pictures.size(), 2u);
}

// Streaming and painting threads never see a half-replaced buffer or a torn picture.
TEST_F(FrameSink, StreamingAndPaintingNeverSeeAHalfReplacedBuffer) {
    const auto whole = [](const BYTE* data, std::size_t size) {
        return std::all_of(data, data + size, [&](BYTE b) { return b == BYTE(size / 96); });
    };
    constexpr int kFrames = 3000;
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        const LONG lengths[] = {96, 960, 9600, 192};
        for (int i = 0; i < kFrames; ++i) {
            Bytes frame(static_cast<std::size_t>(lengths[i % 4]), BYTE(lengths[i % 4] / 96));
            Deliver(frame);
            if (i % 7 == 0) StillCallback.SampleCB(double(i), nullptr);
        }
        done = true;
    });
    int bad = 0;
    for (int round = 1; !done; ++round) {
        WithFrameBuffer([&](const BYTE* data, LONG size) { bad += data && !whole(data, size); });
        if (round % 5 == 0) PreviewFrozen = PreviewFrozen ? 0 : 1;
        if (round % 3 == 0) StillRequested = 1;
        QCoreApplication::processEvents();
    }
    streaming.join();
    // One more request with the preview running: it gives one whole picture.
    PreviewFrozen = 0;
    const std::size_t before = pictures.size();
    StillRequested = 1;
    Deliver(Bytes(960, 10));
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(pictures.size(), before + 1);
    for (const Bytes& p : pictures) EXPECT_TRUE(whole(p.data(), p.size()));
    EXPECT_LE(Paints(), kFrames);
    EXPECT_FALSE(PaintPending.load());
}

// An RGB24 picture whose displayed top half is red and bottom half blue.
void AttachTwoBands(CImage& picture, LONG width, LONG height, bool bottomUp = true) {
    auto dib = CreateDIBSection({40, width, bottomUp ? height : -height, 1, 24});
    for (LONG row = 0; row < height; ++row)
        for (LONG x = 0; x < width; ++x) {
            const bool top = (bottomUp ? height - 1 - row : row) < height / 2;
            dib->bits[std::size_t(row * Rgb24Stride(width) + x * 3 + (top ? 2 : 0))] = 255;
        }
    picture.Attach(std::move(dib));
}

// A last extension .jpg in any case writes a JPEG; bad names write nothing; a taken name stays.
TEST(Picture, SaveWritesTheFormatOfTheExtensionAndNeverReplacesAFile) {
    QTemporaryDir dir;
    CImage picture;
    AttachTwoBands(picture, 64, 48);
    ASSERT_EQ(SavePicture(picture, dir.filePath("b.c.JPG").toUtf8()), S_OK);
    QImageReader reader(dir.filePath("b.c.JPG"));
    reader.setDecideFormatFromContent(true);
    EXPECT_EQ(reader.format(), "jpeg");
    EXPECT_EQ(reader.read().size(), QSize(64, 48));
    QFile::remove(dir.filePath("b.c.JPG"));
    for (const char* name : {"NEWPIC_0", "NEWPIC_0.xyz", "missing/NEWPIC_0.jpg"})
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
        const QString path = dir.filePath(bottomUp ? "up.png" : "down.png");
        ASSERT_EQ(SavePicture(picture, path.toUtf8()), S_OK);
        const QImage image(path);
        ASSERT_EQ(image.size(), QSize(10, 8));
        EXPECT_EQ(image.pixel(9, 3), qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(0, 4), qRgb(0, 0, 255));
    }
}

// Only 24 or 32 bits, uncompressed, with a width, a height and less than 2^31 bytes.
TEST(Picture, OnlyBitmapsThePictureCanHold) {
    EXPECT_EQ(CreateDIBSection({40, 5, 3, 1, 24})->bits.size(), 16u * 3u);  // rows padded
    for (const BITMAPINFOHEADER& h : {BITMAPINFOHEADER{40, 5, 3, 1, 8},
                                      {40, 5, 3, 1, 24, 1},
                                      {40, 0, 3, 1, 24},
                                      {40, 5, 0, 1, 24},
                                      {40, 100000, 100000, 1, 24}})
        EXPECT_EQ(CreateDIBSection(h), nullptr) << h.biWidth << " " << h.biBitCount;
}

constexpr LONG kWidth = 64;
constexpr LONG kHeight = 48;

// The frame sink with the program's picture writer and save settings in a fresh folder.
class Snapshot : public FrameSink {
protected:
    void SetUp() override {
        FrameSink::SetUp();
        Settings(dir.path() + "/", 0);
        FrameCallback.Width = kWidth;
        FrameCallback.Height = kHeight;
        InstallSaveSnapshot();
    }
    void TearDown() override {
        FrameSink::TearDown();
        Settings({}, 0);
    }
    static void Settings(const QString& folder, std::int32_t next) {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = folder;
        PicturePrefix = "NEWPIC";
        NextPictureNumber = next;
    }
    static void Snap() {
        StillRequested = 1;
        Deliver(Bytes(std::size_t(Rgb24Stride(kWidth) * kHeight), 0x80));
    }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
    static std::int32_t Next() {
        std::lock_guard lock(SaveSettingsMutex);
        return NextPictureNumber;
    }
    QTemporaryDir dir;
};

// A number is used up even when nothing is written; taken names are skipped and kept.
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
    EXPECT_EQ(QImage(dir.filePath("NEWPIC_3.jpg")).size(), QSize(kWidth, kHeight));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    Settings({}, 7);
    Snap();
    QDir::setCurrent(before);
    EXPECT_TRUE(Files().contains("NEWPIC_7.jpg"));
    StillRequested = 1;
    Deliver(Bytes(100, 7));
    EXPECT_EQ(Files().size(), 4);
    EXPECT_EQ(StillRequested.load(), 0);
}

// Save settings changed while pictures are written: none lost, each under a consistent name.
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

// The writer's thread writes each asked frame from its own copy, all before it goes.
TEST_F(Snapshot, TheWriterThreadWritesEachAskedFrameInTurnBeforeItGoes) {
    FrameCallback.BitCount = 32;
    const BYTE greys[] = {0x20, 0xA0, 0x60, 0xE0};  // B, G, R and unused each
    {
        PictureWriter writer;
        for (int i = 0; i < 4; ++i) {
            if (i < 3) StillRequested = 1;
            Deliver(Bytes(std::size_t(kWidth * kHeight * 4), greys[i]));
        }
    }
    FrameCallback.BitCount = 24;
    ASSERT_EQ(Files(), QStringList({"NEWPIC_0.jpg", "NEWPIC_1.jpg", "NEWPIC_2.jpg"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(qGray(QImage(dir.filePath(Files()[i])).pixel(kWidth / 2, kHeight / 2)),
                    greys[i], 4)
            << i;
}

}  // namespace
