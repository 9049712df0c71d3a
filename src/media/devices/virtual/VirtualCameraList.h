// The virtual cameras of the command line, without GStreamer.
#pragma once

// Adds "Virtual Camera 1" .. "Virtual Camera N" (without still pin) that are not already
// there. N <= 0 adds nothing.
void AddNumberedVirtualCameras(int count);
