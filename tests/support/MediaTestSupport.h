// Shared pieces of the media tests: the engine's graph built with the engine's calls.
#pragma once

#include <atomic>
#include <functional>
#include <set>

#include "TestSupport.h"
#include "media/com/ComPtr.h"
#include "media/com/DShow.h"
#include "media/source/CaptureSourceFilter.h"

namespace mediatest {

using lumitest::WaitFor;

// A grabber callback with the engine's shape (no reference count), counting calls.
class CountingCallback final : public ISampleGrabberCB {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT SampleCB(double time, IMediaSample* sample) override;
    HRESULT BufferCB(double time, BYTE* buffer, LONG length) override;

    // Runs on the streaming thread for every buffer (BufferCB) or sample (SampleCB).
    std::function<void(double time, BYTE* data, LONG length)> onFrame;
    std::atomic<int> buffers{0}, samples{0};
    std::atomic<LONG> lastLength{0};
};

// The capture engine's graph: capture source, two grabbers (RGB24), two null renderers.
struct EngineGraph {
    // The callbacks outlive the grabbers that reference them (the engine's are static).
    CountingCallback frames, stills;
    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> capture, grabberFilter, stillGrabberFilter;
    ComPtr<IBaseFilter> nullRenderer;   // still branch
    ComPtr<IBaseFilter> nullRenderer2;  // frame branch
    ComPtr<ISampleGrabber> grabber, stillGrabber;
    LONG width = 0, height = 0;

    // Creates the graph objects and adds the five filters under their first names.
    HRESULT build(IBaseFilter* source);
    // The engine's reconnection without Run: media types, both branches, size, callbacks.
    HRESULT connect();
    // The engine's still trigger; the result of its last request.
    HRESULT triggerStill();
    // Strips the graph back to the five filters, unconnected, under their second names.
    void reset();
    std::set<IBaseFilter*> filters() const;  // every filter in the graph
    std::set<IBaseFilter*> ownFilters() const;
};

// A capture source over a new virtual camera offering the six formats, narrowed to format.
ComPtr<CaptureSourceFilter> MakeVirtualSource(const lumi::devices::VideoFormat& format,
                                              bool stillPin,
                                              lumi::devices::VirtualCamera* camera = nullptr);

}  // namespace mediatest
