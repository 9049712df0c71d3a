// The snapshot button: found in a sysfs tree given as data, its presses read from a descriptor.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/input.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <atomic>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "media/devices/CameraButton.h"
#include "media/devices/CameraButtonLocator.h"

namespace fs = std::filesystem;
using lumi::devices::CameraButton;
using lumi::devices::CameraButtonLocator;

namespace {

// "capabilities/key" text with the bits of codes set, as the kernel writes it.
std::string KeyBits(std::initializer_list<int> codes) {
    constexpr int kWordBits = int(sizeof(long) * CHAR_BIT);
    int words = 1;
    for (int c : codes) words = std::max(words, c / kWordBits + 1);
    std::vector<unsigned long> bits(std::size_t(words), 0);
    for (int c : codes) bits[std::size_t(c / kWordBits)] |= 1UL << (c % kWordBits);
    std::ostringstream out;
    out << std::hex;
    for (int i = words - 1; i >= 0; --i) out << bits[std::size_t(i)] << (i ? " " : "\n");
    return out.str();
}

void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

void Link(const fs::path& target, const fs::path& link) {
    fs::create_directories(link.parent_path());
    fs::create_directory_symlink(fs::relative(target, link.parent_path()), link);
}

// A sysfs tree and a /dev folder in a fresh temporary folder.
struct Tree {
    QTemporaryDir temp;
    fs::path root = temp.path().toStdString();
    std::string sys = (root / "sys").string(), dev = (root / "dev").string();
    fs::path devices = root / "sys/devices";

    // A USB camera at port: its interface 1-port:1.0 holds the video node.
    fs::path usbCamera(const std::string& port, const std::string& video) {
        const fs::path usb = devices / "pci0000:00/0000:00:14.0/usb1" / ("1-" + port);
        Write(usb / "idVendor", "0c45\n");
        const fs::path iface = usb / ("1-" + port + ":1.0");
        Write(iface / "bInterfaceNumber", "00\n");
        videoNode(iface, video);
        return iface;
    }
    // Another interface of the USB device the interface belongs to.
    fs::path sibling(const fs::path& iface, const std::string& number) {
        const fs::path other =
            iface.parent_path() / (iface.parent_path().filename().string() + ":1." + number);
        Write(other / "bInterfaceNumber", "0" + number + "\n");
        return other;
    }
    void videoNode(const fs::path& device, const std::string& video) {
        const fs::path node = device / "video4linux" / video;
        Write(node / "dev", "81:0\n");
        Link(device, node / "device");
        Link(node, root / "sys/class/video4linux" / video);
    }
    // An input device "<parent>/input/inputN/eventM" with the given keys.
    void input(const fs::path& parent, int n, int event, const std::string& keys,
               bool withDevName = true) {
        const fs::path dir = parent / "input" / ("input" + std::to_string(n));
        Write(dir / "capabilities/key", keys);
        const std::string name = "event" + std::to_string(event);
        Write(dir / name / "uevent",
              "MAJOR=13\n" + (withDevName ? "DEVNAME=input/" + name + "\n" : ""));
        Link(dir, root / "sys/class/input" / ("input" + std::to_string(n)));
    }
    std::string node(int event) const { return dev + "/input/event" + std::to_string(event); }
    std::vector<std::string> find(const std::string& video) const {
        return CameraButtonLocator(sys, dev).findInputNodes(video);
    }
};

// Several cameras, links everywhere: each finds its own button, own interface first.
TEST(MediaCameraButtonLocator, EachCameraFindsItsOwnButtonsOnly) {
    Tree t;
    const fs::path first = t.usbCamera("1", "video0");
    t.input(first, 5, 3, KeyBits({KEY_CAMERA}));
    t.input(t.sibling(first, "3"), 2, 1, KeyBits({KEY_CAMERA}));  // sorts first, found second
    // The second camera sends its button over HID; its uevent names no node.
    const fs::path second = t.usbCamera("2", "video2");
    t.input(t.sibling(second, "2") / "0003:0C45:6366.0001", 9, 7, KeyBits({KEY_ENTER, KEY_CAMERA}),
            false);
    // The third has no button, then an input device with other keys only.
    const fs::path third = t.usbCamera("3", "video6");
    EXPECT_TRUE(t.find("/dev/video6").empty());
    t.input(third, 8, 8, KeyBits({KEY_ENTER, KEY_VOLUMEUP}));
    // A camera that is not on USB: the keyboard on its bus is not its button.
    t.videoNode(t.devices / "platform/vivid.0", "video4");
    t.input(t.devices / "platform/i8042/serio0", 1, 0, KeyBits({KEY_CAMERA, KEY_A}));
    // Following sysfs links would find the other cameras' buttons.
    for (const fs::path& camera : {first, second, third}) Link(t.devices, camera / "subsystem");
    EXPECT_EQ(t.find("/dev/video0"), (std::vector<std::string>{t.node(3), t.node(1)}));
    EXPECT_EQ(t.find("/dev/video2"), std::vector<std::string>{t.node(7)});
    for (const char* none : {"/dev/video6", "/dev/video4", "/dev/"})
        EXPECT_TRUE(t.find(none).empty()) << none;
    // A node that is a link to the video node is the same camera.
    Write(t.dev + "/video0", "");
    fs::create_directories(t.dev + "/v4l/by-id");
    fs::create_symlink("../../video0", t.dev + "/v4l/by-id/usb-Endoscope-video-index0");
    EXPECT_EQ(t.find(t.dev + "/v4l/by-id/usb-Endoscope-video-index0"),
              (std::vector<std::string>{t.node(3), t.node(1)}));
    // The first node that opens is opened, read-only and non-blocking.
    const CameraButtonLocator locator(t.sys, t.dev);
    EXPECT_EQ(locator.openInput("/dev/video0"), -1);  // neither node exists
    fs::create_directories(t.dev + "/input");
    ASSERT_EQ(::mkfifo(t.node(1).c_str(), 0600), 0);  // readable without a writer
    const int fd = locator.openInput("/dev/video0");
    ASSERT_GE(fd, 0);
    EXPECT_NE(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    ::close(fd);
}

TEST(MediaCameraButtonKeys, ReadsTheKeyBitmask) {
    const struct {
        std::string capabilities;
        int code;
        bool has;
    } cases[] = {
        {KeyBits({KEY_CAMERA, KEY_ENTER}), KEY_ENTER, true},  // a low key in the last word
        {"10000000\n", KEY_CAMERA, false},                    // too few words
        {"zz100000 0 0 0\n", KEY_CAMERA, false},
        {KeyBits({KEY_CAMERA}), -1, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CameraButtonLocator::hasKey(c.capabilities, c.code), c.has)
            << c.capabilities << " " << c.code;
}

input_event Event(int type, int code, int value) {
    input_event e{};
    e.type = __u16(type);
    e.code = __u16(code);
    e.value = value;
    return e;
}

const input_event kPress = Event(EV_KEY, KEY_CAMERA, 1);
const input_event kRelease = Event(EV_KEY, KEY_CAMERA, 0);
const input_event kRepeat = Event(EV_KEY, KEY_CAMERA, 2);
const input_event kSyn = Event(EV_SYN, SYN_REPORT, 0);
const input_event kScan = Event(EV_MSC, MSC_SCAN, 0x90001);

// One call a press (none for a release, repeat or other key), records split or not; the reader
// stops by itself at the end of input.
TEST(MediaCameraButtonReader, OneCallPerPress) {
    const struct {
        std::vector<input_event> events;
        std::size_t chunk;  // bytes per write
        int presses;
    } cases[] = {
        {{kScan, kPress, kSyn, kRepeat, kSyn, kScan, kRelease, kSyn}, 4096, 1},
        {{Event(EV_KEY, KEY_ENTER, 1), Event(EV_KEY, KEY_CAMERA_FOCUS, 1),
          Event(EV_MSC, KEY_CAMERA, 1), Event(EV_REL, KEY_CAMERA, 1)},
         4096,
         0},
        {{kPress, kRelease, kRepeat, kPress, kRelease}, 7, 2},
        {std::vector<input_event>(200, kPress), 200 * sizeof(input_event), 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        CameraButton button(fds[0]);
        std::atomic<int> presses{0};
        ASSERT_TRUE(button.start([&] { ++presses; }));
        const auto* bytes = reinterpret_cast<const char*>(c.events.data());
        const std::size_t total = c.events.size() * sizeof(input_event);
        for (std::size_t at = 0; at < total; at += c.chunk) {
            const std::size_t n = std::min(c.chunk, total - at);
            ASSERT_EQ(::write(fds[1], bytes + at, n), ssize_t(n));
        }
        ::close(fds[1]);
        button.waitForEnd();
        EXPECT_FALSE(button.running());
        EXPECT_EQ(presses, c.presses);
    }
}

TEST(MediaCameraButtonReaderLife, DestroyingStopsAReaderThatWaits) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    std::atomic<int> presses{0};
    {
        CameraButton button(fds[0]);
        ASSERT_TRUE(button.start([&] { ++presses; }));
        EXPECT_FALSE(button.start([] {}));  // one reader
    }  // the reader, blocked in poll, stopped and closed the descriptor
    EXPECT_EQ(::send(fds[1], &kPress, sizeof kPress, MSG_NOSIGNAL), -1);
    EXPECT_EQ(presses, 0);
    ::close(fds[1]);
    EXPECT_FALSE(CameraButton(-1).start([] {}));
}

}  // namespace
