#include "dx/display/SDXDriverInfo.h"

IMPLEMENT_DYNAMIC(SDXModeInfo, CObject)
IMPLEMENT_DYNAMIC(SDXDeviceInfo, CObject)
IMPLEMENT_DYNAMIC(SDXDriverInfo, CObject)

SDXDeviceInfo::SDXDeviceInfo() : m_pModes(new SDXModeList(10)) {}

SDXDeviceInfo::~SDXDeviceInfo() {
    while (!m_pModes->IsEmpty()) {
        delete m_pModes->RemoveHead();
    }
    delete m_pModes;
}

SDXDriverInfo::SDXDriverInfo() : m_pDevices(new SDXDeviceList(10)) {}

SDXDriverInfo::~SDXDriverInfo() {
    while (!m_pDevices->IsEmpty()) {
        delete m_pDevices->RemoveHead();
    }
    delete m_pDevices;
}
