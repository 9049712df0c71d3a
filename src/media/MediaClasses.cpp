#include "media/MediaClasses.h"

#include "media/AviMux.h"
#include "media/CaptureGraphBuilder.h"
#include "media/ColorConverter.h"
#include "media/DibElements.h"
#include "media/FileWriter.h"
#include "media/FilterGraph.h"
#include "media/MjpegDecoder.h"
#include "media/NullRenderer.h"
#include "media/SampleGrabber.h"
#include "media/SmartTee.h"
#include "media/SystemDeviceEnum.h"
#include "media/VirtualCameraProvider.h"

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
