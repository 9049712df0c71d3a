// The check every recording test makes, with readers that are not the program's
// (check_recording.sh: the AVI's headers, ffprobe and ffmpeg agree), and the count of the
// frames delivered to a recording that it compares with.
#pragma once

#include "media/GstHandle.h"  // first: WinTypes.h before GLib

#include <gtest/gtest.h>

#include <QString>
#include <atomic>
#include <memory>

#include "media/DShow.h"

namespace capturetest {

// Whole: the main header counts frames, the stream header as many as ffprobe decodes (and as
// delivered, unless negative), ffmpeg decodes the file without a word.
::testing::AssertionResult RecordingIsWhole(const QString& path, long long delivered = -1);

// Counts the frames that reach the AVI multiplexer of a recording started on graph from now
// on: the count starts when the multiplexer joins the graph, before it runs.
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
