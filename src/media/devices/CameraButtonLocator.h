// Finds the input device that reports a camera's snapshot button. A USB camera driver
// registers the button as a key (KEY_CAMERA) on an input device beside the video device in
// sysfs: under the video node's own USB interface (uvcvideo) or, for cameras that send the
// button over HID, under another interface of the same USB device.
//
// Everything is read below a sysfs root and device nodes are named below a /dev root, so a
// tree given as data stands for the machine's.
#pragma once

#include <string>
#include <vector>

namespace lumi::devices {

class CameraButtonLocator {
public:
    explicit CameraButtonLocator(std::string sysfsRoot = "/sys", std::string devRoot = "/dev");

    // The event nodes (devRoot + "/input/eventN") of the input devices that report KEY_CAMERA
    // for the camera behind the video node ("/dev/video0", or a link to it): those under the
    // node's own interface first, then those under the other interfaces of its USB device,
    // each group in path order. Empty when there are none or the node is not in sysfs.
    std::vector<std::string> findInputNodes(const std::string& videoNode) const;

    // Opens the first of those nodes that can be opened (read only, non-blocking,
    // close-on-exec). -1 when none can, e.g. without permission on /dev/input/event*.
    int openInput(const std::string& videoNode) const;

    // Whether an input device's "capabilities/key" text (hexadecimal words of the kernel's
    // long size, most significant first) has the bit of key code.
    static bool hasKey(const std::string& keyCapabilities, int code);

private:
    std::string sysfsRoot_;
    std::string devRoot_;
};

}  // namespace lumi::devices
