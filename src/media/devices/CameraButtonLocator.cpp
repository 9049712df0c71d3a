#include "media/devices/CameraButtonLocator.h"

#include <fcntl.h>
#include <linux/input-event-codes.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace lumi::devices {

namespace {

// How deep an input device may sit below a USB interface (HID: interface / hid device /
// input / inputN).
constexpr int kSearchDepth = 6;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool IsNumberedName(const std::string& name, const std::string& prefix) {
    return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           std::all_of(name.begin() + prefix.size(), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// The event node of an input device directory ("inputN" with an "eventM" child).
std::string EventNode(const fs::path& inputDir, const std::string& devRoot) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(inputDir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!IsNumberedName(name, "event")) continue;
        // The node's name as udev creates it; "input/eventM" where uevent does not say.
        std::string devName = "input/" + name;
        std::istringstream uevent(ReadFile(entry.path() / "uevent"));
        for (std::string line; std::getline(uevent, line);) {
            if (line.rfind("DEVNAME=", 0) == 0) devName = line.substr(8);
        }
        // A name that climbs out of the /dev root is not a device node of ours.
        if (devName.empty() || devName.front() == '/' || devName.find("..") != std::string::npos)
            return {};
        return devRoot + "/" + devName;
    }
    return {};
}

// Event nodes of the KEY_CAMERA input devices below dir, in path order. Links are not
// followed ("subsystem", "driver" and the like point elsewhere in the tree).
std::vector<std::string> InputNodesBelow(const fs::path& dir, const std::string& devRoot,
                                         const fs::path& skip = {}) {
    std::vector<std::pair<std::string, std::string>> found;  // (sysfs path, node)
    std::error_code ec;
    fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        if (entry.is_symlink(ec) || !entry.is_directory(ec)) {
            it.disable_recursion_pending();
            continue;
        }
        if (!skip.empty() && entry.path() == skip) {
            it.disable_recursion_pending();
            continue;
        }
        if (it.depth() >= kSearchDepth) it.disable_recursion_pending();
        const std::string name = entry.path().filename().string();
        if (!IsNumberedName(name, "input")) continue;
        it.disable_recursion_pending();
        if (!CameraButtonLocator::hasKey(ReadFile(entry.path() / "capabilities" / "key"),
                                         KEY_CAMERA))
            continue;
        std::string node = EventNode(entry.path(), devRoot);
        if (!node.empty()) found.emplace_back(entry.path().string(), std::move(node));
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> nodes;
    for (auto& f : found) nodes.push_back(std::move(f.second));
    return nodes;
}

}  // namespace

CameraButtonLocator::CameraButtonLocator(std::string sysfsRoot, std::string devRoot)
    : sysfsRoot_(std::move(sysfsRoot)), devRoot_(std::move(devRoot)) {}

bool CameraButtonLocator::hasKey(const std::string& keyCapabilities, int code) {
    if (code < 0) return false;
    constexpr int kWordBits = int(sizeof(long) * CHAR_BIT);
    std::vector<std::string> words;
    std::istringstream in(keyCapabilities);
    for (std::string word; in >> word;) words.push_back(word);
    const std::size_t fromEnd = std::size_t(code / kWordBits);
    if (fromEnd >= words.size()) return false;
    const std::string& word = words[words.size() - 1 - fromEnd];
    char* end = nullptr;
    errno = 0;
    const unsigned long long bits = std::strtoull(word.c_str(), &end, 16);
    if (errno != 0 || !end || *end != '\0') return false;
    return (bits >> (code % kWordBits)) & 1U;
}

std::vector<std::string> CameraButtonLocator::findInputNodes(const std::string& videoNode) const {
    std::error_code ec;
    // A link such as /dev/v4l/by-id/... names the node it points to.
    fs::path node = fs::canonical(videoNode, ec);
    if (ec) node = videoNode;
    const std::string name = node.filename().string();
    if (name.empty() || name == "." || name == "..") return {};

    const fs::path device =
        fs::canonical(fs::path(sysfsRoot_) / "class" / "video4linux" / name / "device", ec);
    if (ec) return {};
    std::vector<std::string> nodes = InputNodesBelow(device, devRoot_);
    // The other interfaces of the same USB device; only then, so that a camera that is not
    // on USB never picks up an input device of the bus it sits on.
    const fs::path usbDevice = device.parent_path();
    if (fs::exists(device / "bInterfaceNumber", ec) && fs::exists(usbDevice / "idVendor", ec)) {
        for (auto& n : InputNodesBelow(usbDevice, devRoot_, device))
            if (std::find(nodes.begin(), nodes.end(), n) == nodes.end())
                nodes.push_back(std::move(n));
    }
    return nodes;
}

int CameraButtonLocator::openInput(const std::string& videoNode) const {
    for (const std::string& path : findInputNodes(videoNode)) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) return fd;
    }
    return -1;
}

}  // namespace lumi::devices
