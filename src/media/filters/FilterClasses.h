// The filters in the class registry.
#pragma once

// Registers the DIB elements with GStreamer (which must have started) and the filters'
// classes: Sample Grabber, Null Renderer, Smart Tee, MJPEG Decompressor, Color Space
// Converter, AVI Mux, File Writer.
void RegisterFilterClasses();
