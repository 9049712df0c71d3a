// The whole media layer's registration, called once at the program's start (and by the
// test, benchmark and fuzzing mains) before any object is created.
#pragma once

// Starts GStreamer and registers every room's classes and GStreamer elements: the graph,
// the filters, the capture source and the virtual camera provider. False when GStreamer
// cannot start. Idempotent.
bool RegisterMediaClasses();
