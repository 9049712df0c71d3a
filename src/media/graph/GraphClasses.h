// The graph's classes in the class registry.
#pragma once

// Registers the filter graph and the capture graph builder.
void RegisterGraphClasses();
