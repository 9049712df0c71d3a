// Writes the requested pictures on a thread of its own, with SaveSnapshot, one after another
// in the order they were asked for: the streaming thread, and with it the paint, goes on
// while a picture is encoded and written. Each picture keeps its frame (held, not copied)
// and the frame's size as it was asked for. At most two pictures wait: a further request
// waits on the streaming thread until the first of them is written, as it would for a
// picture written there.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "frames/FrameState.h"

class CSampleGrabberCB;

class PictureWriter {
public:
    // Starts the thread and installs this writer as the frame sink's picture writer, in
    // place of the one installed before.
    PictureWriter();
    // Uninstalls the writer (when it is still the one installed), writes the pictures still
    // waiting, then ends the thread.
    ~PictureWriter();
    PictureWriter(const PictureWriter&) = delete;
    PictureWriter& operator=(const PictureWriter&) = delete;

    // True when no picture waits or is being written. Any thread.
    bool Idle() const;

private:
    struct Picture {
        HeldFrame frame;
        LONG width;
        LONG height;
        WORD bitCount;
    };

    // The picture writer the frame sink calls: queues the frame it holds.
    static void Request(CSampleGrabberCB& callback, LONG length, BYTE* frame);
    void Run();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool running_ = true;
    bool writing_ = false;
    std::deque<Picture> waiting_;
    std::thread thread_;
};
