// The seam through which the frame sink hands a requested picture to the picture writer.
//
// The picture writer (SaveSnapshot) installs itself with SetSaveSnapshot. FrameCallback
// calls it on the streaming thread when StillRequested was set, with the frame callback
// (for Width, Height and BitCount), the frame's length and the latest frame's bytes, exactly
// that many. The frame is held for the call, without FrameBufferMutex: the paint goes on
// while the picture is written. The function must not keep the pointer. While no writer is
// installed, a request is dropped: no picture is written and StillRequested is cleared, as
// after a failed write.
#pragma once

#include "platform/WinTypes.h"

class CSampleGrabberCB;

using SaveSnapshotFunction = void (*)(CSampleGrabberCB& callback, LONG length, BYTE* frame);

// Installs the picture writer (nullptr: none); returns the one it replaces. Any thread.
SaveSnapshotFunction SetSaveSnapshot(SaveSnapshotFunction function);
// The installed writer, or nullptr.
SaveSnapshotFunction GetSaveSnapshot();
