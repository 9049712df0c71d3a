// What the outputs of one virtual camera share, and the camera's frame rate.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

#include "media/devices/virtual/VirtualCamera.h"

namespace lumi::devices {

inline constexpr int kFps = 30;
inline constexpr GstClockTime kFrameDuration = GST_SECOND / kFps;  // 33.33 ms, rounded down
inline int outputIndex(VirtualCameraOutput o) {
    return o == VirtualCameraOutput::Still ? 1 : 0;
}

// What the outputs of one camera share: controls, format choices, counters, the trigger.
class VirtualCameraState {
public:
    explicit VirtualCameraState(bool still) : stillPin(still) {}
    const bool stillPin;

    mutable std::mutex mutex;  // guards the members below up to the counters
    PictureControls controls;
    uint64_t controlsVersion = 0;
    std::optional<VideoFormat> chosen[2];
    std::optional<VideoFormat> negotiated[2];

    std::atomic<uint64_t> sent[2] = {0, 0};
    std::atomic<uint64_t> captureFrame{0};  // marker position the still output copies
    // The camera's fault; the provider shares one among the elements of a listed camera.
    std::shared_ptr<std::atomic<VirtualCameraFault>> fault =
        std::make_shared<std::atomic<VirtualCameraFault>>(VirtualCameraFault::None);

    std::mutex triggerMutex;  // guards the two below
    std::condition_variable triggerCv;
    int pendingTriggers = 0;
    bool stillFlushing = false;
    bool stillPlaying = false;  // triggers are served only while the still output plays
    bool gapPending = false;    // the still output has started playing: announce the idle stream
};

}  // namespace lumi::devices
