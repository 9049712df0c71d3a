// AVI Mux: one video input and the AVI stream out (avimux in its large-file mode, OpenDML,
// so that a file may pass 4 GB).
//
// An AVI stream has one frame rate, the format's; a camera that delivers fewer frames (in
// dim light, or a rate that changes) would give a file that plays too fast. A videorate
// element before the multiplexer therefore repeats a frame, as it came, for as long as the
// next one is late, so the file lasts as long as the recording did and shows each frame at
// its time; nothing is decoded or encoded. A frame that comes early (a camera whose clock
// runs a little fast) is put in the next free slot of the format's time grid rather than
// dropped, so every frame delivered is in the file. Gaps longer than kMaxRepeatSeconds (a
// camera that stopped, a disk too slow) are left as they are.
// The multiplexer's input is an explicitly requested video_%u pad (a plain link would pick an
// audio pad).
#pragma once

#include "media/graph/GstFilter.h"

class AviMux final : public GstFilter {
public:
    AviMux();

    // The longest gap between two frames that repeats fill: a camera down to 1 frame a
    // second in the dark is still filled; one silent for longer is taken for stalled.
    static constexpr int kMaxRepeatSeconds = 2;

    // The pad that feeds the multiplexer, after the repeats: each buffer that leaves it is a
    // frame written (a probe there that drops a buffer keeps it out of the file).
    GstPad* muxInput() const { return muxInput_.get(); }

private:
    GstHandle<GstPad> muxInput_;
};
