// The camera's snapshot button: its input device found in sysfs trees given as data, and
// its key presses read from a file descriptor carrying input_event records.
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

#include "media/CameraButton.h"
#include "media/CameraButtonLocator.h"

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

// A sysfs tree and a /dev folder in a fresh temporary folder.
class Tree {
public:
    Tree() : root_(dir_.path().toStdString()) {}
    std::string sys() const { return (root_ / "sys").string(); }
    std::string dev() const { return (root_ / "dev").string(); }
    fs::path devices() const { return root_ / "sys/devices"; }

    // A USB camera at port: interface 1-port:1.0 with the video node.
    fs::path usbCamera(const std::string& port, const std::string& video) {
        const fs::path usb = devices() / "pci0000:00/0000:00:14.0/usb1" / ("1-" + port);
        Write(usb / "idVendor", "0c45\n");
        const fs::path iface = usb / ("1-" + port + ":1.0");
        Write(iface / "bInterfaceNumber", "00\n");
        videoNode(iface, video);
        return iface;
    }
    // A video node under a device directory, with the class link and "device" link.
    void videoNode(const fs::path& device, const std::string& video) {
        const fs::path node = device / "video4linux" / video;
        Write(node / "dev", "81:0\n");
        fs::create_directory_symlink(fs::relative(device, node), node / "device");
        fs::create_directories(root_ / "sys/class/video4linux");
        fs::create_directory_symlink(fs::relative(node, root_ / "sys/class/video4linux"),
                                     root_ / "sys/class/video4linux" / video);
    }
    // An input device under parent ("<parent>/input/inputN/eventM") with the given keys.
    void input(const fs::path& parent, int n, int event, const std::string& keys,
               bool withDevName = true) {
        const fs::path dir = parent / "input" / ("input" + std::to_string(n));
        Write(dir / "capabilities/key", keys);
        const std::string name = "event" + std::to_string(event);
        Write(dir / name / "uevent",
              withDevName ? "MAJOR=13\nDEVNAME=input/" + name + "\n" : "MAJOR=13\n");
        fs::create_directories(root_ / "sys/class/input");
        fs::create_directory_symlink(fs::relative(dir, root_ / "sys/class/input"),
                                     root_ / "sys/class/input" / ("input" + std::to_string(n)));
    }
    std::string node(int event) const { return dev() + "/input/event" + std::to_string(event); }
    // The device node as a FIFO (readable without a writer when opened non-blocking).
    void makeNode(int event) {
        fs::create_directories(root_ / "dev/input");
        ASSERT_EQ(::mkfifo(node(event).c_str(), 0600), 0);
    }

private:
    QTemporaryDir dir_;
    fs::path root_;
};

std::vector<std::string> Find(const Tree& t, const std::string& video) {
    return CameraButtonLocator(t.sys(), t.dev()).findInputNodes(video);
}

TEST(MediaCameraButtonLocator, ButtonUnderTheVideoInterfaceIsFound) {
    Tree t;
    const fs::path iface = t.usbCamera("1", "video0");
    t.input(iface, 5, 3, KeyBits({KEY_CAMERA}));
    EXPECT_EQ(Find(t, "/dev/video0"), std::vector<std::string>{t.node(3)});
    // A node that is a link to the video node is the same camera.
    fs::create_directories(t.dev() + "/v4l/by-id");
    Write(t.dev() + "/video0", "");
    fs::create_symlink("../../video0", t.dev() + "/v4l/by-id/usb-Endoscope-video-index0");
    EXPECT_EQ(Find(t, t.dev() + "/v4l/by-id/usb-Endoscope-video-index0"),
              std::vector<std::string>{t.node(3)});
}

TEST(MediaCameraButtonLocator, NoButtonNoInput) {
    Tree t;
    const fs::path iface = t.usbCamera("1", "video0");
    EXPECT_TRUE(Find(t, "/dev/video0").empty());
    // An input device of the camera that has other keys only is not its button.
    t.input(iface, 5, 3, KeyBits({KEY_ENTER, KEY_VOLUMEUP}));
    EXPECT_TRUE(Find(t, "/dev/video0").empty());
    // A node sysfs does not know.
    EXPECT_TRUE(Find(t, "/dev/video7").empty());
    EXPECT_TRUE(Find(t, "/dev/").empty());
}

TEST(MediaCameraButtonLocator, TwoCamerasEachFindTheirOwnButton) {
    Tree t;
    const fs::path first = t.usbCamera("1", "video0");
    const fs::path second = t.usbCamera("2", "video2");
    t.input(first, 5, 3, KeyBits({KEY_CAMERA}));
    // The second camera sends its button over HID, on another interface of its device.
    const fs::path hid = second.parent_path() / "1-2:1.2" / "0003:0C45:6366.0001";
    Write(second.parent_path() / "1-2:1.2" / "bInterfaceNumber", "02\n");
    t.input(hid, 9, 7, KeyBits({KEY_ENTER, KEY_CAMERA}));
    // Links in sysfs lead everywhere: following them would find the other camera's button.
    fs::create_directory_symlink(fs::relative(t.devices(), first), first / "subsystem");
    fs::create_directory_symlink(fs::relative(t.devices(), second), second / "subsystem");

    EXPECT_EQ(Find(t, "/dev/video0"), std::vector<std::string>{t.node(3)});
    EXPECT_EQ(Find(t, "/dev/video2"), std::vector<std::string>{t.node(7)});
}

TEST(MediaCameraButtonLocator, OwnInterfaceComesFirstAndNonUsbDevicesStayAlone) {
    Tree t;
    const fs::path iface = t.usbCamera("1", "video0");
    const fs::path hid = iface.parent_path() / "1-1:1.3";
    Write(hid / "bInterfaceNumber", "03\n");
    t.input(hid, 2, 1, KeyBits({KEY_CAMERA}));  // sorts first by path, found second
    t.input(iface, 5, 3, KeyBits({KEY_CAMERA}));
    EXPECT_EQ(Find(t, "/dev/video0"), (std::vector<std::string>{t.node(3), t.node(1)}));

    // A camera that is not on USB: the keyboard on its bus is not its button.
    const fs::path platform = t.devices() / "platform";
    t.videoNode(platform / "vivid.0", "video4");
    t.input(platform / "i8042" / "serio0", 1, 0, KeyBits({KEY_CAMERA, KEY_A}));
    EXPECT_TRUE(Find(t, "/dev/video4").empty());
}

TEST(MediaCameraButtonLocator, OpensTheFirstNodeThatOpens) {
    Tree t;
    const fs::path iface = t.usbCamera("1", "video0");
    t.input(iface, 5, 3, KeyBits({KEY_CAMERA}));
    const CameraButtonLocator locator(t.sys(), t.dev());
    EXPECT_EQ(locator.openInput("/dev/video0"), -1);  // its node does not exist

    const fs::path hid = iface.parent_path() / "1-1:1.3";
    Write(hid / "bInterfaceNumber", "03\n");
    t.input(hid, 6, 4, KeyBits({KEY_CAMERA}));
    t.makeNode(4);
    const int fd = locator.openInput("/dev/video0");
    ASSERT_GE(fd, 0);
    struct stat opened {
    }, expected{};
    ASSERT_EQ(::fstat(fd, &opened), 0);
    ASSERT_EQ(::stat(t.node(4).c_str(), &expected), 0);
    EXPECT_EQ(opened.st_ino, expected.st_ino);
    EXPECT_NE(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    ::close(fd);
}

TEST(MediaCameraButtonLocator, EventNodeWithoutDevNameIsNamedAfterItsDirectory) {
    Tree t;
    const fs::path iface = t.usbCamera("1", "video0");
    t.input(iface, 5, 11, KeyBits({KEY_CAMERA}), false);
    EXPECT_EQ(Find(t, "/dev/video0"), std::vector<std::string>{t.node(11)});
}

struct KeyCase {
    const char* name;
    std::string capabilities;
    int code;
    bool has;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << c.name;
}

class MediaCameraButtonKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(MediaCameraButtonKeys, ReadsTheKeyBitmask) {
    EXPECT_EQ(CameraButtonLocator::hasKey(GetParam().capabilities, GetParam().code),
              GetParam().has);
}

INSTANTIATE_TEST_SUITE_P(
    Capabilities, MediaCameraButtonKeys,
    ::testing::Values(
        KeyCase{"CameraKey", KeyBits({KEY_CAMERA}), KEY_CAMERA, true},
        KeyCase{"AmongOthers", KeyBits({KEY_ESC, KEY_CAMERA, KEY_POWER}), KEY_CAMERA, true},
        KeyCase{"NeighbourBitOnly", KeyBits({KEY_CAMERA - 1, KEY_CAMERA + 1}), KEY_CAMERA, false},
        KeyCase{"LowKeyInLastWord", KeyBits({KEY_CAMERA, KEY_ENTER}), KEY_ENTER, true},
        KeyCase{"TooFewWords", "10000000\n", KEY_CAMERA, false},
        KeyCase{"Empty", "", KEY_CAMERA, false},
        KeyCase{"NotHex", "zz100000 0 0 0\n", KEY_CAMERA, false},
        KeyCase{"NegativeCode", KeyBits({KEY_CAMERA}), -1, false}),
    [](const auto& p) { return std::string(p.param.name); });

// ---- reading presses ----

input_event Event(int type, int code, int value) {
    input_event e{};
    e.type = __u16(type);
    e.code = __u16(code);
    e.value = value;
    return e;
}

struct ReadCase {
    const char* name;
    std::vector<input_event> events;
    std::size_t chunk;  // bytes per write
    int presses;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class MediaCameraButtonReader : public ::testing::TestWithParam<ReadCase> {};

// The reader sees everything written, then the end of input; it stops by itself.
TEST_P(MediaCameraButtonReader, OneCallPerPress) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    CameraButton button(fds[0]);
    std::atomic<int> presses{0};
    ASSERT_TRUE(button.start([&] { ++presses; }));

    const auto& events = GetParam().events;
    const auto* bytes = reinterpret_cast<const char*>(events.data());
    const std::size_t total = events.size() * sizeof(input_event);
    for (std::size_t at = 0; at < total; at += GetParam().chunk) {
        const std::size_t n = std::min(GetParam().chunk, total - at);
        ASSERT_EQ(::write(fds[1], bytes + at, n), ssize_t(n));
    }
    ::close(fds[1]);
    button.waitForEnd();
    EXPECT_FALSE(button.running());
    EXPECT_EQ(presses, GetParam().presses);
}

const input_event kPress = Event(EV_KEY, KEY_CAMERA, 1);
const input_event kRelease = Event(EV_KEY, KEY_CAMERA, 0);
const input_event kRepeat = Event(EV_KEY, KEY_CAMERA, 2);
const input_event kSyn = Event(EV_SYN, SYN_REPORT, 0);
const input_event kScan = Event(EV_MSC, MSC_SCAN, 0x90001);

INSTANTIATE_TEST_SUITE_P(
    Events, MediaCameraButtonReader,
    ::testing::Values(
        ReadCase{"PressAndRelease", {kScan, kPress, kSyn, kScan, kRelease, kSyn}, 4096, 1},
        ReadCase{
            "HeldWithRepeats", {kPress, kSyn, kRepeat, kSyn, kRepeat, kRepeat, kRelease}, 4096, 1},
        ReadCase{"ReleaseAlone", {kRelease, kSyn}, 4096, 0},
        ReadCase{"OtherKeys",
                 {Event(EV_KEY, KEY_ENTER, 1), Event(EV_KEY, KEY_ENTER, 0),
                  Event(EV_KEY, KEY_CAMERA_FOCUS, 1), Event(EV_KEY, KEY_VOLUMEUP, 1)},
                 4096,
                 0},
        ReadCase{"CameraCodeOnOtherEventTypes",
                 {Event(EV_MSC, KEY_CAMERA, 1), Event(EV_REL, KEY_CAMERA, 1),
                  Event(EV_ABS, KEY_CAMERA, 1)},
                 4096,
                 0},
        ReadCase{"ThreePresses", {kPress, kRelease, kPress, kRelease, kPress, kRelease}, 4096, 3},
        ReadCase{"RecordsSplitAcrossReads", {kPress, kRelease, kRepeat, kPress, kRelease}, 7, 2},
        ReadCase{"ManyInOneRead",
                 std::vector<input_event>(200, kPress),  // more than one read's buffer
                 200 * sizeof(input_event), 200}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(MediaCameraButtonReaderLife, DestroyingStopsAReaderThatWaits) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    std::atomic<int> presses{0};
    {
        CameraButton button(fds[0]);
        ASSERT_TRUE(button.start([&] { ++presses; }));
        EXPECT_TRUE(button.running());
        EXPECT_FALSE(button.start([] {}));  // one reader
    }  // nothing was written: the reader is blocked in poll and must still stop
    // The descriptor was closed with the button: the writer sees the other end gone.
    const input_event press = kPress;
    EXPECT_EQ(::send(fds[1], &press, sizeof press, MSG_NOSIGNAL), -1);
    EXPECT_EQ(presses, 0);
    ::close(fds[1]);

    CameraButton none(-1);
    EXPECT_FALSE(none.start([] {}));
}

}  // namespace
