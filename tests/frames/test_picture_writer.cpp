// The picture writer's thread: pictures of the frames asked for, in the order asked, each
// from its own frame however the frame sink goes on, and all written before it goes.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <vector>

#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "frames/PictureWriter.h"
#include "settings/SharedState.h"

namespace {

TEST(PictureWriter, WritesEachAskedFrameInTurnBeforeItGoes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        std::lock_guard lock(SaveSettingsMutex);
        SaveFolder = dir.path() + "/";
        PicturePrefix = "NEWPIC";
        NextPictureNumber = 0;
    }
    FreeFrameBuffer();
    FrameCallback.Width = 16;
    FrameCallback.Height = 8;
    FrameCallback.BitCount = 32;
    // Frames of one grey each (B, G, R, unused); the sink copies them into arrays it reuses
    // unless someone else holds them.
    const std::vector<BYTE> greys = {0x20, 0xA0, 0x60, 0xE0};
    {
        PictureWriter writer;
        for (std::size_t i = 0; i < greys.size(); ++i) {
            std::vector<BYTE> frame(16 * 8 * 4, greys[i]);
            if (i < 3) StillRequested = 1;
            ASSERT_EQ(FrameCallback.BufferCB(0.0, frame.data(), LONG(frame.size())), S_OK);
        }
    }
    const QStringList files = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files, QStringList({"NEWPIC_0.jpg", "NEWPIC_1.jpg", "NEWPIC_2.jpg"}));
    for (int i = 0; i < 3; ++i) {
        const QImage picture(QDir(dir.path()).filePath(files[i]));
        ASSERT_EQ(picture.size(), QSize(16, 8));
        EXPECT_NEAR(qGray(picture.pixel(8, 4)), greys[std::size_t(i)], 4) << i;
    }
    FrameCallback.BitCount = 24;
    FreeFrameBuffer();
    std::lock_guard lock(SaveSettingsMutex);
    SaveFolder.clear();
    NextPictureNumber = 0;
}

}  // namespace
