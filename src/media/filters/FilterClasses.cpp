#include "media/filters/FilterClasses.h"

#include "media/filters/AviMux.h"
#include "media/filters/ColorConverter.h"
#include "media/filters/DibElements.h"
#include "media/filters/FileWriter.h"
#include "media/filters/MjpegDecoder.h"
#include "media/filters/NullRenderer.h"
#include "media/filters/SampleGrabber.h"
#include "media/filters/SmartTee.h"

void RegisterFilterClasses() {
    RegisterDibElements();
    CoRegisterClass(CLSID_SampleGrabber, &CreateFilterInstance<SampleGrabber>);
    CoRegisterClass(CLSID_NullRenderer, &CreateFilterInstance<NullRenderer>);
    CoRegisterClass(CLSID_SmartTee, &CreateFilterInstance<SmartTee>);
    CoRegisterClass(CLSID_MjpegDec, &CreateFilterInstance<MjpegDecoder>);
    CoRegisterClass(CLSID_Colour, &CreateFilterInstance<ColorConverter>);
    CoRegisterClass(CLSID_AviDest, &CreateFilterInstance<AviMux>);
    CoRegisterClass(CLSID_FileWriter, &CreateFilterInstance<FileWriter>);
}
