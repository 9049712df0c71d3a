// The capture source's classes in the class registry.
#pragma once

// Registers the system device enumerator (the way to the capture sources).
void RegisterSourceClasses();
