// The virtual camera: a live GStreamer source that behaves like a UVC camera.
//
// Element. VirtualCamera::create() makes a bin (factory "lumivirtualcam") with the ghost
// pad "src", the capture output, and, for a camera with a still pin, the ghost pad "still".
// Both outputs offer, in this order of preference:
//   YUY2 640x480, YUY2 1280x720, YUY2 1920x1080, MJPG 640x480, MJPG 1280x720, MJPG 1920x1080
// all at 30/1 ("video/x-raw, format=YUY2" and "image/jpeg"); caps negotiation picks one (the
// first that downstream accepts), or setFormat() narrows an output to one format. The
// capture output is live: one frame every 1/30 s in running time, timestamped, latency one
// frame. The still output emits exactly one frame per trigger() and nothing otherwise; each
// time it starts running it sends a gap event, so the sinks of an idle still branch preroll
// and never hold a live pipeline back from PLAYING.
// Frames are rendered once per format and control setting and replayed: buffers wrap the
// rendered bytes read-only (MJPG pre-encoded with libjpeg-turbo), so a frame costs about
// 0.1 ms of CPU at 1080p, and an element that writes into a frame gets a copy on mapping it
// writable.
//
// Picture (W x H, the same in every format; colours before controls, 8-bit RGB):
//   rows [0, H/2): eight vertical bars of width W/8, left to right
//       white (255,255,255), yellow (255,255,0), cyan (0,255,255), green (0,255,0),
//       magenta (255,0,255), red (255,0,0), blue (0,0,255), black (0,0,0)
//   rows [H/2, H): grey (128,128,128), except the moving marker:
//       a white square, rows [5H/8, 5H/8 + S), columns [x_k, x_k + S), S = (H/8) rounded
//       down to even; x_k = W/8 + k * ((3W/4 - S) / 9) rounded down to even, for frame
//       k = n mod 10 of the n-th frame. The marker stays inside columns [W/8, 7W/8) and
//       rows [5H/8, 3H/4), so consecutive frames differ while the top-left corner (white),
//       the top-right corner (black), the bottom rows and the right-most column of the
//       lower half (grey) never change.
// So the top rows differ from the bottom rows, and the right-most column is black above
// and grey below: a flipped or mirrored picture is told apart from the right one.
//
// Controls (ids of V4l2DeviceControls.h, like a UVC camera's proc amp):
//   brightness -64..64 step 1 default 0    (adds 2 * value to the luma)
//   contrast     0..64 step 1 default 32   (luma scaled by value / 32 about 128)
//   saturation   0..128 step 1 default 64  (chroma scaled by value / 64)
//   hue        -180..180 step 1 default 0  (chroma rotated by value degrees)
// applied in full-range BT.601 YCbCr to the picture's colours; at the defaults the
// colours are exactly those above. A change takes effect from the next frame rendered.
//
// Faults (VirtualCameraFault.h): damaged MJPG frames, a stall, a read error, a refused start,
// fewer frames a second than the format says.
//
// Threads: every method may be called from any thread.
#pragma once

#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "media/devices/V4l2DeviceControls.h"
#include "media/devices/V4l2Formats.h"
#include "media/devices/virtual/VirtualCameraFault.h"

namespace lumi::devices {

class VirtualCameraState;

enum class VirtualCameraOutput { Capture, Still };

class VirtualCamera : public ControlAccess {
public:
    struct Options {
        bool stillPin = false;
        // Shared with other elements of the same camera (the provider's); null: its own.
        std::shared_ptr<std::atomic<VirtualCameraFault>> fault = nullptr;
    };

    // A new camera element (floating reference, as from a factory) with the given name
    // (nullptr: GStreamer's default name).
    static GstElement* createElement(const Options& options, const char* name = nullptr);
    // A new camera; the handle owns a reference to the element.
    static VirtualCamera create(const Options& options, const char* name = nullptr);
    // The camera behind an element made by createElement (or the device provider); an
    // invalid handle for any other element.
    static VirtualCamera fromElement(GstElement* element);
    // Whether the element is a virtual camera bin.
    static bool isVirtualCamera(GstElement* element);

    // The formats every output offers, in order of preference.
    static const std::vector<VideoFormat>& formats();
    // The caps of formats(): one structure per format, in the same order.
    static GstCaps* allCaps();

    // Registers the element factories "lumivirtualcam" and "lumivirtualcamsrc" in this
    // process (initialising GStreamer if needed). Idempotent; create() calls it.
    static void registerElements();
    // Registers the same two factories as features of a plugin, so that a plugin module
    // loaded by GStreamer tools (gst-launch-1.0) offers the camera. False on failure.
    static bool registerInPlugin(GstPlugin* plugin);

    VirtualCamera() = default;
    VirtualCamera(const VirtualCamera&);
    VirtualCamera& operator=(const VirtualCamera&);
    VirtualCamera(VirtualCamera&&) noexcept;
    VirtualCamera& operator=(VirtualCamera&&) noexcept;
    ~VirtualCamera() override;

    bool valid() const { return element_ != nullptr; }
    // The camera bin (no new reference).
    GstElement* element() const { return element_; }
    bool hasStillPin() const;

    // The output's negotiated format; before negotiation the format set with setFormat, else
    // the first of formats(). nullopt for the still output of a camera without one.
    std::optional<VideoFormat> currentFormat(
        VirtualCameraOutput output = VirtualCameraOutput::Capture) const;
    // Narrows the output to one of formats() (the rate is ignored: always 30/1); the output
    // renegotiates when it next can. False for a format not offered or a missing output.
    bool setFormat(const VideoFormat& format,
                   VirtualCameraOutput output = VirtualCameraOutput::Capture);
    // Lets the output offer every format again.
    void clearFormat(VirtualCameraOutput output = VirtualCameraOutput::Capture);

    // The fault the camera shows (VirtualCameraFault.h); None at first.
    void setFault(VirtualCameraFault fault);
    VirtualCameraFault fault() const;

    // The software trigger: the still output emits exactly one frame, at once while it plays,
    // else when it next starts playing (a stop to READY forgets it). False (nothing is
    // emitted) for a camera without still pin or when the still output is not linked.
    bool trigger();

    // Buffers the capture / still output has pushed downstream since the camera was made.
    uint64_t framesSent() const;
    uint64_t stillFramesSent() const;

    // ControlAccess: brightness, contrast, saturation, hue (see above).
    std::vector<ControlInfo> controls() const override;
    std::optional<int32_t> control(uint32_t id) const override;
    bool setControl(uint32_t id, int32_t value) override;

private:
    explicit VirtualCamera(GstElement* element);  // takes a new reference
    GstElement* element_ = nullptr;
    std::shared_ptr<VirtualCameraState> state_;
};

}  // namespace lumi::devices
