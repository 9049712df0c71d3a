// Reads a camera's snapshot button: key events (struct input_event records) from an input
// device's file descriptor, on a thread of its own so that presses are seen whatever window
// has the focus. Each press of KEY_CAMERA (value 1) calls the press handler once; releases
// (0), auto-repeats (2) and every other key or event type are ignored. The device is not
// grabbed: other programs still see the key.
//
// Reading ends when the descriptor reports its end (a pipe closed, a camera unplugged) or an
// error, or when the object is destroyed.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

namespace lumi::devices {

class CameraButton {
public:
    // Takes over fd (closed by the destructor); reading starts with start().
    explicit CameraButton(int fd);
    ~CameraButton();  // stops the reader; the press handler is not called any more
    CameraButton(const CameraButton&) = delete;
    CameraButton& operator=(const CameraButton&) = delete;

    // Starts reading; onPress runs on the reader thread. False when it cannot start (no
    // descriptor, already started, no wake-up descriptor).
    bool start(std::function<void()> onPress);
    // Waits until the reader has ended by itself (end of input or error).
    void waitForEnd();
    bool running() const { return running_; }

    // Presses in a run of whole input_event records.
    static int countPresses(const void* records, std::size_t bytes);

private:
    void run();

    int fd_ = -1;
    int wake_ = -1;  // eventfd that tells the reader to stop
    std::function<void()> onPress_;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

}  // namespace lumi::devices
