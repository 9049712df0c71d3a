// The check every recording test makes, with readers that are not the program's
// (check_recording.sh: the AVI's headers, ffprobe and ffmpeg agree), and the count of the
// frames delivered to a recording that it compares with.
#pragma once

#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <gtest/gtest.h>

#include <QString>
#include <atomic>
#include <memory>

#include "media/com/DShow.h"

namespace capturetest {

// Whole: the main header counts frames, the stream header as many as ffprobe decodes, ffmpeg
// decodes the file without a word; and, unless delivered is negative, the file shows that
// many pictures in turn (a frame repeated to keep time counts once).
::testing::AssertionResult RecordingIsWhole(const QString& path, long long delivered = -1);

// The file's duration as ffprobe reads it (seconds; -1 when it cannot).
double FileSeconds(const QString& path);

// Counts the pictures the AVI multiplexer takes in a recording started on graph from now on
// (a frame repeated to keep time once, a frame kept out of a full disk not): the count
// starts when the multiplexer joins the graph, before it runs.
class RecordedFrames {
public:
    explicit RecordedFrames(IGraphBuilder* graph);
    ~RecordedFrames();
    RecordedFrames(const RecordedFrames&) = delete;
    RecordedFrames& operator=(const RecordedFrames&) = delete;

    long long count() const { return *count_; }

private:
    GstHandle<GstElement> pipeline_;
    unsigned long handler_ = 0;
    std::shared_ptr<std::atomic<long long>> count_ = std::make_shared<std::atomic<long long>>(0);
};

}  // namespace capturetest
