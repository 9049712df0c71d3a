// The record of a recording: when it ends, one line in the capture log (lumivisor.capture,
// info) with the frames the camera delivered to it, the frames written (repeats included),
// its wall-clock length, the file's duration at the format's rate and the camera's mean rate.
#pragma once

#include "media/gst/GstHandle.h"  // first: WinTypes.h before GLib

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>

class RecordingLog {
public:
    // Watches the recording into file: frames delivered to the multiplexer filter at input,
    // frames its multiplexer takes at written (after the disk-space guard). The line is
    // written when the end of stream reaches written, else when both pads let go.
    static void Attach(GstPad* input, GstPad* written, const QString& file);

    ~RecordingLog();
    RecordingLog(const RecordingLog&) = delete;
    RecordingLog& operator=(const RecordingLog&) = delete;

private:
    explicit RecordingLog(const QString& file) : file_(file) {}
    static GstPadProbeReturn OnInput(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    static GstPadProbeReturn OnWritten(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    void Write();

    using Clock = std::chrono::steady_clock;
    const QString file_;
    // Both pads' streaming threads count; the first frame's time is set once.
    std::atomic<std::uint64_t> delivered_{0};
    std::atomic<std::uint64_t> written_{0};
    std::atomic<Clock::rep> first_{0};
    std::atomic<double> formatRate_{0};
    std::atomic<bool> done_{false};
};
