// The still output of a camera whose snapshot button is an input device (a v4l2 camera): a
// live appsrc in the capture source's bin that sends, for each press of the button, the
// next frame of the capture stream. It sends nothing otherwise: V4L2 has no software
// trigger, so there is no still image at start. A press while the source is not playing is
// dropped.
#pragma once

#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <memory>

#include "media/devices/CameraButton.h"

namespace lumi::devices {

class CameraButtonStill {
public:
    // Adds the appsrc to bin and watches capturePad (the camera's frames); the button's
    // reader starts here. The output's pad is pad(); null when the appsrc cannot be made.
    CameraButtonStill(GstBin* bin, GstPad* capturePad, std::unique_ptr<CameraButton> button);
    ~CameraButtonStill();  // stops the button's reader and the watch
    CameraButtonStill(const CameraButtonStill&) = delete;
    CameraButtonStill& operator=(const CameraButtonStill&) = delete;

    // The appsrc's source pad (no new reference); null when there is no output.
    GstPad* pad() const;
    // Stills sent since the output was made.
    uint64_t stillsSent() const;

    struct State;  // shared with the pad probe and the button's reader

private:
    std::shared_ptr<State> state_;
    GstHandle<GstPad> capturePad_;
    gulong probe_ = 0;
    std::unique_ptr<CameraButton> button_;
};

}  // namespace lumi::devices
