// Shared pieces of the capture engine tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "capture/CCaptureVideo.h"
#include "media/com/DShow.h"
#include "media/source/CaptureSourceFilter.h"

namespace capturetest {

// Stands in for the hidden combo box (CB_ADDSTRING, CB_RESETCONTENT, CB_GETCOUNT).
struct DeviceListWindow : QObject {
    bool event(QEvent* event) override;
    QStringList entries;
};

using lumitest::WaitFor;

// The graph's filters with their names, in the graph's order.
std::vector<std::pair<std::wstring, IBaseFilter*>> FiltersOf(IFilterGraph* graph);
// The name of one filter in its graph (empty when it is in none).
std::wstring NameOf(IBaseFilter* filter);

LONG BufferedSize();                   // of the buffered live frame (0 before the first)
bool Running(IMediaControl* control);  // waiting for a pending change

// An engine per test with the shared state reset before and after; message boxes recorded.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Adds the virtual camera "Engine Camera" and opens it: OpenDevice's result.
    HRESULT Open(bool stillPin);
    // Opens a camera without still pin in the format, the graph stripped and stopped.
    CaptureSourceFilter* OpenStripped(lumi::devices::PixelFormat format, int width, int height);
    // The position of the named device in a fresh list (-1 when missing).
    int PositionOf(const QString& name);
    bool Running() { return capturetest::Running(engine.m_pMediaControl.get()); }
    // The pictures the frame sink hands over (and the length of the last).
    static inline std::atomic<int> pictures{0};
    static inline std::atomic<LONG> pictureLength{0};
    CCaptureVideo engine;
    lumi::devices::VirtualCamera camera;  // the one Open opened
    lumitest::MessageRecorder messages;
};

}  // namespace capturetest
