#include "media/MediaClasses.h"

#include "media/devices/virtual/VirtualCameraProvider.h"
#include "media/filters/AviMux.h"
#include "media/filters/ColorConverter.h"
#include "media/filters/DibElements.h"
#include "media/filters/FileWriter.h"
#include "media/filters/MjpegDecoder.h"
#include "media/filters/NullRenderer.h"
#include "media/filters/SampleGrabber.h"
#include "media/filters/SmartTee.h"
#include "media/graph/CaptureGraphBuilder.h"
#include "media/graph/FilterGraph.h"
#include "media/source/SystemDeviceEnum.h"

namespace {

template <typename T>
HRESULT CreatePlain(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    auto* instance = new T();
    const HRESULT hr = instance->QueryInterface(riid, object);
    instance->Release();
    return hr;
}

}  // namespace

void RegisterMediaElements() {
    RegisterDibElements();
    lumi::devices::VirtualCameraProvider::registerProvider();
}

std::vector<std::pair<CLSID, ComClassFactory>> BuiltInMediaClasses() {
    return {
        {CLSID_FilterGraph, &CreatePlain<FilterGraph>},
        {CLSID_CaptureGraphBuilder2, &CreatePlain<CaptureGraphBuilder>},
        {CLSID_SampleGrabber, &CreateFilterInstance<SampleGrabber>},
        {CLSID_NullRenderer, &CreateFilterInstance<NullRenderer>},
        {CLSID_SmartTee, &CreateFilterInstance<SmartTee>},
        {CLSID_MjpegDec, &CreateFilterInstance<MjpegDecoder>},
        {CLSID_Colour, &CreateFilterInstance<ColorConverter>},
        {CLSID_AviDest, &CreateFilterInstance<AviMux>},
        {CLSID_FileWriter, &CreateFilterInstance<FileWriter>},
        {CLSID_SystemDeviceEnum, &CreatePlain<SystemDeviceEnum>},
    };
}
