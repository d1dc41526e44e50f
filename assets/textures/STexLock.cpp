#include "assets/textures/STexLock.h"

STexLock::STexLock() {
    SetErrorSink(&m_strLastError, &m_iRecordErrors);
    SetRegionErrorSink(&m_strLastError, &m_iRecordErrors);
}

STexLock::~STexLock() {
    ClearTags();
    ClearRegions();
}

void STexLock::Clear() {
    ClearTags();
    ClearRegions();
}

void STexLock::SetAmbient(float*) {}

void STexLock::GetAmbient(float*, int) {}
