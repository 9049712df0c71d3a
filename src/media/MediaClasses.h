// The layer's classes and GStreamer elements, registered by CoInitialize.
#pragma once

#include <utility>
#include <vector>

#include "media/com/ComRuntime.h"

// Registers the layer's in-process GStreamer elements (idempotent).
void RegisterMediaElements();
// Every class CoCreateInstance can create, with its factory.
std::vector<std::pair<CLSID, ComClassFactory>> BuiltInMediaClasses();
