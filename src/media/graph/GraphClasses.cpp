#include "media/graph/GraphClasses.h"

#include "media/graph/CaptureGraphBuilder.h"
#include "media/graph/FilterGraph.h"

void RegisterGraphClasses() {
    CoRegisterClass(CLSID_FilterGraph, &CreateComObject<FilterGraph>);
    CoRegisterClass(CLSID_CaptureGraphBuilder2, &CreateComObject<CaptureGraphBuilder>);
}
