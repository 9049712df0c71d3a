#include "media/MediaClasses.h"

#include "media/com/ComRuntime.h"
#include "media/devices/virtual/VirtualCameraProvider.h"
#include "media/filters/FilterClasses.h"
#include "media/graph/GraphClasses.h"
#include "media/source/SourceClasses.h"

bool RegisterMediaClasses() {
    if (FAILED(CoInitialize(nullptr))) return false;
    RegisterGraphClasses();
    RegisterFilterClasses();
    RegisterSourceClasses();
    lumi::devices::VirtualCameraProvider::registerProvider();
    CoUninitialize();
    return true;
}
