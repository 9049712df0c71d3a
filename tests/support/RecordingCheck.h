// Checks a recording with readers that are not the program's (check_recording.sh).
#pragma once

#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <gtest/gtest.h>

#include <QString>
#include <atomic>
#include <memory>

#include "media/com/DShow.h"

namespace capturetest {

// Whole: headers, ffprobe and ffmpeg agree; unless negative, delivered pictures in turn.
::testing::AssertionResult RecordingIsWhole(const QString& path, long long delivered = -1);

// The file's duration as ffprobe reads it (seconds; -1 when it cannot).
double FileSeconds(const QString& path);

// Counts the pictures the AVI multiplexer takes on graph from now on.
class RecordedFrames {
public:
    explicit RecordedFrames(IGraphBuilder* graph);
    ~RecordedFrames();
    RecordedFrames(const RecordedFrames&) = delete;
    long long count() const { return *count_; }

private:
    GstHandle<GstElement> pipeline_;
    unsigned long handler_ = 0;
    std::shared_ptr<std::atomic<long long>> count_ = std::make_shared<std::atomic<long long>>(0);
};

}  // namespace capturetest
