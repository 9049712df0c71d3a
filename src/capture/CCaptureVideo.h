// The capture engine: enumerates the cameras and owns the capture graph of the one open
// camera. The application object holds the single instance.
#pragma once

#include <cstdint>

#include "platform/WinTypes.h"

class CCaptureVideo {
public:
    CCaptureVideo();
    ~CCaptureVideo();

    CCaptureVideo(const CCaptureVideo&) = delete;
    CCaptureVideo& operator=(const CCaptureVideo&) = delete;

    // Owner window of the video window; never given a window.
    HWND m_hOwner = nullptr;
    // Frame size from the connected media type; 0 until a graph has been built.
    std::int32_t m_nWidth = 0;
    std::int32_t m_nHeight = 0;
};
