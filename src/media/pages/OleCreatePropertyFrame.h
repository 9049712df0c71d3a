// The system property frame (OleCreatePropertyFrame) on Qt Widgets: a modal dialog with one
// tab per page and OK, Cancel and Apply.
#pragma once

#include "media/com/PropertyPage.h"

// Registers the page classes of the capture sources (stream format, image controls, camera
// controls) with CoCreateInstance, and this frame as the one OleCreatePropertyFrame shows.
// Idempotent; called at the program's start.
void RegisterPropertyPageClasses();
