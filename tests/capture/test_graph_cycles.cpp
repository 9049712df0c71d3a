// Many open / reset / reconnect / release cycles while frames flow: every cycle leaves a
// running graph of the expected shape, and no frame or graph object outlives its cycle
// (run under the address sanitizer for leaks and use after free).
#include <gtest/gtest.h>

#include <cstdlib>

#include "CaptureTestSupport.h"
#include "capture/CCaptureVideo.h"
#include "frames/CSampleGrabberCB.h"
#include "frames/FrameState.h"
#include "media/VirtualCameraProvider.h"

using namespace capturetest;
using lumi::devices::VirtualCameraProvider;

namespace {

int CycleCount() {
    const char* text = std::getenv("LUMIVISOR_GRAPH_CYCLES");
    const int count = text != nullptr ? std::atoi(text) : 0;
    return count > 0 ? count : 200;
}

LONG BufferedSize() {
    LONG size = 0;
    WithFrameBuffer([&](const BYTE*, LONG s) { size = s; });
    return size;
}

TEST(GraphCycles, OpenResetReconnectReleaseManyTimes) {
    VirtualCameraProvider::removeAll();
    AddCameras("Cycle Camera", {true, false});
    MessageRecorder messages;
    CCaptureVideo engine;
    DeviceListWindow list;
    engine.EnumDevices(&list);
    const int positions[] = {static_cast<int>(list.entries.indexOf("Cycle Camera 1")),
                             static_cast<int>(list.entries.indexOf("Cycle Camera 2"))};
    ASSERT_GE(positions[0], 0);
    ASSERT_GE(positions[1], 0);
    FrameCallback.CrosshairOn = true;

    const int cycles = CycleCount();
    for (int i = 0; i < cycles; ++i) {
        ASSERT_EQ(engine.OpenDevice(positions[i % 2]), 0) << "cycle " << i;
        if (i % 25 == 0) {
            FreeFrameBuffer();
            ASSERT_TRUE(WaitFor([] { return BufferedSize() == 640 * 480 * 4; })) << i;
        }
        engine.m_pMediaControl->Stop();
        engine.ResetGraph();
        ASSERT_EQ(FiltersOf(engine.m_pGraph.get()).size(), 5u) << "cycle " << i;
        // The result is the still trigger's: the second camera has no still pin.
        ASSERT_EQ(engine.ConnectAndRun(), i % 2 == 0 ? S_OK : E_NOINTERFACE) << "cycle " << i;
        engine.ReleaseGraph();
    }
    FrameCallback.CrosshairOn = false;
    EXPECT_TRUE(messages.texts.isEmpty());
    VirtualCameraProvider::removeAll();
}

}  // namespace
