#include "media/source/SourceClasses.h"

#include "media/source/SystemDeviceEnum.h"

void RegisterSourceClasses() {
    CoRegisterClass(CLSID_SystemDeviceEnum, &CreateComObject<SystemDeviceEnum>);
}
