// The frame state before any frame: listed first, so that it runs before the other tests
// of this program change the state.
#include <gtest/gtest.h>

#include "frames/CSampleGrabberCB.h"
#include "frames/CSampleGrabberCBStill.h"
#include "frames/FrameState.h"
#include "frames/SnapshotHook.h"

TEST(FrameState, StartsEmptyWithNoRequestNoWindowAndNoWriter) {
    EXPECT_EQ(FrameBuffer, nullptr);
    EXPECT_EQ(FrameBufferSize, 0);
    EXPECT_EQ(MainWindowHandle.load(), nullptr);
    EXPECT_EQ(StillRequested.load(), 0);
    EXPECT_EQ(PreviewFrozen.load(), 0);
    EXPECT_FALSE(PaintPending.load());
    EXPECT_EQ(GetSaveSnapshot(), nullptr);
    EXPECT_EQ(FrameCallback.Width.load(), 0);
    EXPECT_EQ(FrameCallback.Height.load(), 0);
    EXPECT_FALSE(FrameCallback.CrosshairOn.load());
    EXPECT_EQ(StillCallback.Width.load(), 0);
}
