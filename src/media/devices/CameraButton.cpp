#include "media/devices/CameraButton.h"

#include <linux/input.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lumi::devices {

CameraButton::CameraButton(int fd) : fd_(fd) {}

CameraButton::~CameraButton() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        if (::write(wake_, &one, sizeof one) < 0) {
            // The eventfd cannot be full with one write; nothing else can fail here.
        }
        thread_.join();
    }
    if (wake_ >= 0) ::close(wake_);
    if (fd_ >= 0) ::close(fd_);
}

bool CameraButton::start(std::function<void()> onPress) {
    if (fd_ < 0 || thread_.joinable()) return false;
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) return false;
    onPress_ = std::move(onPress);
    running_ = true;
    thread_ = std::thread(&CameraButton::run, this);
    return true;
}

void CameraButton::waitForEnd() {
    if (thread_.joinable()) thread_.join();
}

int CameraButton::countPresses(const void* records, std::size_t bytes) {
    int presses = 0;
    const auto* p = static_cast<const unsigned char*>(records);
    for (std::size_t at = 0; at + sizeof(input_event) <= bytes; at += sizeof(input_event)) {
        input_event e;
        std::memcpy(&e, p + at, sizeof e);
        if (e.type == EV_KEY && e.code == KEY_CAMERA && e.value == 1) ++presses;
    }
    return presses;
}

void CameraButton::run() {
    // An event device hands out whole records; a pipe or socket may split them.
    unsigned char buffer[64 * sizeof(input_event)];
    std::size_t kept = 0;
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents) break;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(fd_, buffer + kept, sizeof buffer - kept);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) break;  // end of input, or the device is gone (ENODEV)
            kept += std::size_t(n);
            const std::size_t whole = kept - kept % sizeof(input_event);
            const int presses = countPresses(buffer, whole);
            std::memmove(buffer, buffer + whole, kept - whole);
            kept -= whole;
            for (int i = 0; i < presses; ++i)
                if (onPress_) onPress_();
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            break;
        }
    }
    running_ = false;
}

}  // namespace lumi::devices
