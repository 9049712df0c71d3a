// Repair of an AVI recording whose writer was interrupted (killed, crashed, power lost): the
// frames up to the last complete one go through GStreamer's own AVI demuxer and muxer into a
// temporary file beside the original, which then takes the original's name in one atomic
// rename, with its permissions and times. Anything else stays byte for byte as it was: a
// file that is not such a recording, one the demuxer cannot read to its last complete
// frame, one a recorder holds (its lock), one on a disk without room for the copy.
#pragma once

#include <atomic>
#include <string>

enum class AviRepairResult {
    NotNeeded,  // not an interrupted recording (finished, not AVI, not ours)
    Repaired,
    InUse,      // a recorder holds the file
    Failed,     // left as it was: unreadable, no room, no temporary file
    Cancelled,  // cancel was set; left as it was
};

// Blocks until done; cancel is polled every 100 ms.
AviRepairResult RepairInterruptedAvi(const std::string& path, const std::atomic<bool>& cancel);
