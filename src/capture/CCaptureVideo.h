// The capture engine: enumerates the cameras and owns the capture graph of the one open
// camera. The application object holds the single instance; every operation runs on the
// UI thread. The graph has two branches and no renderer that draws:
//   frame: capture filter (preview, else capture output) -> "Grabber" (RGB24) -> NullRender
//   still: capture filter still output -> "GrabberStill" (RGB24) -> NullRender
// Frames reach the screen only through FrameCallback (frames/CSampleGrabberCB.h).
// A failed step shows its message (string pairs 148 to 163, in the language of
// LanguageFlag at that moment) in a modal box and returns the step's code.
#pragma once

#include <QString>
#include <cstdint>

#include "media/com/ComPtr.h"
#include "media/com/DShow.h"
#include "platform/WinTypes.h"

class CCaptureVideo {
public:
    // Opens the COM apartment (message 150/151 when that fails).
    CCaptureVideo();
    // ReleaseGraph, frees FrameBuffer, closes the COM apartment.
    virtual ~CCaptureVideo();

    CCaptureVideo(const CCaptureVideo&) = delete;
    CCaptureVideo& operator=(const CCaptureVideo&) = delete;

    // Appends the friendly name of every video input device whose name can be read to the
    // list window (CB_ADDSTRING, UTF-8 text); returns their count, or -1 when the devices
    // cannot be enumerated or there is none. The caller empties the list beforehand.
    int EnumDevices(HWND list);
    // Binds the device at position (counted as EnumDevices lists them) into *filter. False
    // only when the devices cannot be enumerated; a position past the last device binds
    // nothing and still gives true.
    bool BindDevice(int position, IBaseFilter** filter);

    // The identity of the device at position (the same for the same camera plugged in
    // again; IMoniker::GetDisplayName); empty when there is no such device.
    QString DeviceIdentity(int position);

    // ReleaseGraph, then BuildCaptureGraph(position).
    HRESULT OpenDevice(int position);
    // Builds and runs the graph for the device: 0 when it runs, 1 for a negative position
    // or when the devices cannot be enumerated, else the failing step's code. A camera that
    // does not start is named in a message saying why (busy, no permission, no USB
    // bandwidth), else 152/153.
    HRESULT BuildCaptureGraph(int position);
    // Graph manager, capture graph builder, media control and video window.
    HRESULT CreateGraphObjects();
    // Connects both branches of a graph holding the five own filters and runs it; the
    // failing step's code, else the still trigger's result.
    HRESULT ConnectAndRun();
    // Asks the device for one still image (software trigger); the result of the last request.
    HRESULT TriggerStillPin();
    // Video-window placement; the window is inert (no owner is ever given).
    void SetupVideoWindow();
    void ResizeVideoWindow();
    // Frees the format block and the object reference of the record (not the record).
    void FreeMediaType(AM_MEDIA_TYPE& mt);

    // Stops the graph, strips it and runs it again (ConnectAndRun): the camera is closed and
    // started anew in its format. S_OK when it runs, else the failing step's code.
    HRESULT RestartGraph();
    // Strips the graph back to the five own filters, unconnected, under their second names.
    void ResetGraph();
    // Disconnects and removes, recursively, every filter downstream of filter.
    void RemoveDownstream(IBaseFilter* filter);
    // Stops the graph and releases every interface.
    void ReleaseGraph();

    // Records the capture stream, unchanged, into a new AVI file beside the running preview
    // (CCaptureVideoRecording.cpp).
    HRESULT StartRecording(QString fileName);
    // Completes the file and returns the graph to plain preview.
    HRESULT StopRecording();

    // The capture output's stream format pages in a modal frame at (30, 30) of owner, on
    // a stopped and stripped graph; then the format's size into m_nWidth and |m_nHeight|
    // and ConnectAndRun in full (CCaptureVideoPages.cpp).
    void ShowResolutionDialog(HWND owner);
    // The capture filter's own pages in a modal frame at (0, 0) of owner, captioned with
    // the filter's name in the graph, the preview running; then Run, always.
    void ShowFilterDialog(HWND owner);

    // Fields, in their order. Both m_pCaptureFilter and m_pCaptureBuilder set: a device is open.
    ComPtr<IBaseFilter> m_pCaptureFilter;
    ComPtr<IBaseFilter> m_pNullRenderer;   // ends the still branch
    ComPtr<IBaseFilter> m_pNullRenderer2;  // ends the frame branch
    ComPtr<IBaseFilter> m_pGrabberFilter;
    ComPtr<IBaseFilter> m_pStillGrabberFilter;
    // AVI multiplexer, held only between setting up a recording file and rendering into it.
    IBaseFilter* m_pMux = nullptr;
    ComPtr<IMediaControl> m_pMediaControl;
    // Owner window of the video window; never given a window.
    HWND m_hOwner = nullptr;
    ComPtr<IGraphBuilder> m_pGraph;
    ComPtr<ICaptureGraphBuilder2> m_pCaptureBuilder;
    ComPtr<IVideoWindow> m_pVideoWindow;
    ComPtr<ISampleGrabber> m_pGrabber;
    ComPtr<ISampleGrabber> m_pStillGrabber;
    // Frame size from the connected media type (height with its sign); kept by ReleaseGraph.
    std::int32_t m_nWidth = 0;
    std::int32_t m_nHeight = 0;

private:
    // Shows the message of a string pair (even id Russian) in the current language.
    static void ShowMessage(int russianId);
    // The message for a camera whose graph did not start (Run's result).
    static void ShowStartFailure(int position, HRESULT hr);
    // Frame branch, still branch, frame size, grabber modes and video window: the
    // connection shared by BuildCaptureGraph and ConnectAndRun, up to the run.
    HRESULT ConnectBranches();
};
