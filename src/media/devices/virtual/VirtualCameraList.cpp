#include "media/devices/virtual/VirtualCameraList.h"

#include "media/devices/virtual/VirtualCameraProvider.h"

void AddNumberedVirtualCameras(int count) {
    lumi::devices::VirtualCameraProvider::addNumberedCameras(count);
}
