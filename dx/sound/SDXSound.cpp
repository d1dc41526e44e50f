#include "dx/sound/SDXSound.h"

#include <cstdio>
#include <cstring>

#include "sys/audio/playsound.h"
#include "sys/window/treeview.h"
#include "sys/window/window.h"

using namespace sys::audio;

IMPLEMENT_DYNAMIC(SDXSound, CObject)

int32_t SDXSound::s_lMasterVolume = 0;

namespace {

// Edit-control and combo-box messages the log window and the driver combo understand.
constexpr sys::UINT EM_SETSEL = 0x00B1;
constexpr sys::UINT EM_SCROLLCARET = 0x00B7;
constexpr sys::UINT EM_REPLACESEL = 0x00C2;
constexpr sys::UINT CB_INSERTSTRING = 0x014A;

bool AddDriverRecord(const GUID* guid, const char* description, const char* module, void* context) {
    auto* list = static_cast<std::vector<DSDriver*>*>(context);
    auto* driver = new DSDriver;
    if (guid != nullptr) {
        driver->m_guid = *guid;
    }
    driver->m_sDescription = description;
    driver->m_sModule = module;
    list->push_back(driver);
    return true;
}

void TraceError(HRESULT hr) {
    SString text;
    SDXSound::DSErrorText(hr, text);
    SDXSound::Trace(text.GetString());
}

}  // namespace

void SoundReportError(HRESULT hr, sys::HWND logWindow, char* buffer, int size) {
    SString text;
    SDXSound::DSErrorText(hr, text);
    if (buffer != nullptr && size > 0) {
        const size_t n = std::min<size_t>(static_cast<size_t>(text.GetLength()), static_cast<size_t>(size - 1));
        std::memcpy(buffer, text.GetString(), n);
        buffer[n] = '\0';
    }
    if (logWindow != nullptr) {
        sys::window::SendMessage(logWindow, EM_SETSEL, 65534, 65535);
        sys::window::SendMessage(logWindow, EM_SCROLLCARET, 0, 0);
        sys::window::SendMessage(logWindow, EM_REPLACESEL, 0, reinterpret_cast<sys::LPARAM>(text.GetString()));
    }
}

SDXSound::SDXSound() { s_lMasterVolume = 0; }

SDXSound::~SDXSound() {
    Cleanup();
    DeleteDrivers();
}

void SDXSound::DeleteDrivers() {
    for (DSDriver* driver : m_Drivers) {
        delete driver;
    }
    m_Drivers.clear();
}

int SDXSound::Create(const GUID& guid, uint32_t cooperativeLevel, bool b3D) {
    // A sound still playing from the one-call player would hold on to the sound card.
    sys::audio::PlaySound(nullptr, nullptr, sys::audio::SND_PURGE);
    if (m_pDS != nullptr) {
        Cleanup();
    }
    m_iSampleRate = 22050;
    m_bStereo = 1;
    m_wBits = 8;
    m_pDS = nullptr;
    m_hrLast = DirectSoundCreate(guid.IsNull() ? nullptr : &guid, &m_pDS);
    if (Failed(m_hrLast)) {
        Trace("[SDXSound::Create] : Unable to create DirectSound object\n");
        TraceError(m_hrLast);
        m_pDS = nullptr;
        return 0;
    }
    m_hrLast = m_pDS->SetCooperativeLevel(sys::window::GetMainWindow(), cooperativeLevel);
    if (Failed(m_hrLast)) {
        Trace("[SDXSound::Create] : Unable to Set DirectSound cooperative level\n");
        TraceError(m_hrLast);
        Cleanup();
        return 0;
    }
    DSBUFFERDESC desc;
    desc.dwFlags = b3D ? (DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D) : DSBCAPS_PRIMARYBUFFER;
    m_hrLast = m_pDS->CreateSoundBuffer(&desc, &m_pPrimary);
    if (Failed(m_hrLast)) {
        Trace("[SDXSound::Create] : Unable to Create Primary SoundBuffer\n");
        TraceError(m_hrLast);
        m_pPrimary = nullptr;
        return 0;
    }
    Trace("[SDXSound::Create] : Sound Object Initialized.\n");
    return 1;
}

bool SDXSound::CreateWithFormat(const GUID& guid, bool b3D, int sampleRate, int bits, bool stereo) {
    return Create(guid, DSSCL_PRIORITY, b3D) != 0 && SetPrimaryFormat(sampleRate, bits, stereo) != 0;
}

int SDXSound::SetPrimaryFormat(int sampleRate, int bits, bool stereo) {
    if (m_pDS == nullptr) {
        return 0;
    }
    m_iSampleRate = sampleRate;
    m_wBits = static_cast<uint16_t>(bits);
    m_bStereo = stereo ? 1 : 0;
    WAVEFORMATEX wanted;
    wanted.wFormatTag = WAVE_FORMAT_PCM;
    wanted.nChannels = stereo ? 2 : 1;
    wanted.nSamplesPerSec = static_cast<uint32_t>(sampleRate);
    wanted.wBitsPerSample = static_cast<uint16_t>(bits);
    wanted.nBlockAlign = static_cast<uint16_t>(wanted.nChannels * bits / 8);
    wanted.nAvgBytesPerSec = wanted.nBlockAlign * wanted.nSamplesPerSec;
    wanted.cbSize = 0;
    if (m_pPrimary == nullptr) {
        return 1;
    }
    m_hrLast = m_pPrimary->SetFormat(&wanted);
    WAVEFORMATEX actual;
    m_hrLast = m_pPrimary->GetFormat(&actual, sizeof(actual), nullptr);
    if (actual.nChannels != wanted.nChannels || actual.wBitsPerSample != wanted.wBitsPerSample ||
        actual.nSamplesPerSec != wanted.nSamplesPerSec || actual.nBlockAlign != wanted.nBlockAlign ||
        actual.nAvgBytesPerSec != wanted.nAvgBytesPerSec) {
        Trace("Actual Primary Sound Buffer Format doesn't match Requested.\r\n");
    }
    return 1;
}

void SDXSound::Cleanup() {
    Trace("[SDXSound::Cleanup] : Cleaning up DirectSound.\n");
    if (m_pPrimary != nullptr) {
        m_pPrimary->Release();
        m_pPrimary = nullptr;
    }
    if (m_pDS != nullptr) {
        m_pDS->Release();
        m_pDS = nullptr;
    }
}

bool SDXSound::EnumerateDrivers() {
    DeleteDrivers();
    m_hrLast = DirectSoundEnumerate(AddDriverRecord, &m_Drivers);
    return m_hrLast == DS_OK;
}

int SDXSound::FindDriverByDescription(const SString& description) const {
    for (size_t i = 0; i < m_Drivers.size(); ++i) {
        if (CompareTextNoCase(m_Drivers[i]->m_sDescription.GetString(), description.GetString()) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int SDXSound::FindDriverByModule(const SString& module) const {
    for (size_t i = 0; i < m_Drivers.size(); ++i) {
        if (CompareTextNoCase(m_Drivers[i]->m_sModule.GetString(), module.GetString()) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

DSDriver* SDXSound::GetDriver(int index) const {
    if (index < 0 || index >= static_cast<int>(m_Drivers.size())) {
        return nullptr;
    }
    return m_Drivers[static_cast<size_t>(index)];
}

GUID SDXSound::GetDriverGuid(int index) const {
    const DSDriver* driver = GetDriver(index);
    return driver != nullptr ? driver->m_guid : GUID{};
}

GUID SDXSound::GetDriverGuidByDescription(const SString& description) const {
    return GetDriverGuid(FindDriverByDescription(description));
}

GUID SDXSound::GetDriverGuidByModule(const SString& module) const { return GetDriverGuid(FindDriverByModule(module)); }

SString SDXSound::GetDriverModule(int index) const {
    const DSDriver* driver = GetDriver(index);
    return driver != nullptr ? driver->m_sModule : SString();
}

int SDXSound::GetDriverNames(CStringList* descriptions, CStringList* modules) const {
    if (m_Drivers.empty()) {
        return 0;
    }
    for (const DSDriver* driver : m_Drivers) {
        if (descriptions != nullptr) {
            descriptions->AddTail(CString(driver->m_sDescription.GetString()));
        }
        if (modules != nullptr) {
            modules->AddTail(CString(driver->m_sModule.GetString()));
        }
    }
    return 1;
}

int SDXSound::FillDriverCombo(sys::HWND combo) const {
    if (m_Drivers.empty() || combo == nullptr) {
        return 0;
    }
    for (const DSDriver* driver : m_Drivers) {
        sys::window::SendMessage(combo, CB_INSERTSTRING, static_cast<sys::WPARAM>(-1),
                                 reinterpret_cast<sys::LPARAM>(driver->m_sDescription.GetString()));
    }
    return 1;
}

namespace {

sys::HTREEITEM AppendTreeItem(sys::HWND tree, sys::HTREEITEM parent, const char* text) {
    sys::TVINSERTSTRUCT insert;
    insert.hParent = parent;
    insert.hInsertAfter = sys::TVI_LAST;
    insert.item.mask = sys::TVIF_TEXT;
    insert.item.pszText = text;
    return sys::TreeItemValue(
        sys::window::SendMessage(tree, sys::TVM_INSERTITEM, 0, reinterpret_cast<sys::LPARAM>(&insert)));
}

}  // namespace

int SDXSound::FillCapsTree(sys::HWND tree) {
    if (m_pDS == nullptr || tree == nullptr) {
        return 0;
    }
    DSCAPS caps;
    m_hrLast = m_pDS->GetCaps(&caps);
    if (Failed(m_hrLast)) {
        return 0;
    }
    sys::window::SendMessage(tree, sys::TVM_DELETEITEM, 0, reinterpret_cast<sys::LPARAM>(sys::TVI_ROOT));
    static const struct {
        uint32_t bit;
        const char* name;
    } kFlags[] = {{0x40, "CERTIFIED"},      {0x10, "CONTINUOUSRATE"}, {0x20, "EMULDRIVER"},
                  {0x8, "PRIMARY16BIT"},    {0x4, "PRIMARY8BIT"},     {0x1, "PRIMARYMONO"},
                  {0x2, "PRIMARYSTEREO"},   {0x800, "SECONDARY16BIT"}, {0x400, "SECONDARY8BIT"},
                  {0x100, "SECONDARYMONO"}, {0x200, "SECONDARYSTEREO"}};
    const sys::HTREEITEM flags = AppendTreeItem(tree, sys::TVI_ROOT, "Flags");
    for (const auto& flag : kFlags) {
        if ((caps.dwFlags & flag.bit) != 0) {
            AppendTreeItem(tree, flags, flag.name);
        }
    }
    const struct {
        const char* name;
        uint32_t value;
    } values[] = {
        {"Min Secondary Sample Rate", caps.dwMinSecondarySampleRate},
        {"Max Secondary Sample Rate", caps.dwMaxSecondarySampleRate},
        {"Primary Buffers", caps.dwPrimaryBuffers},
        {"Max HW Mixing All Buffers", caps.dwMaxHwMixingAllBuffers},
        {"Max HW Mixing Static Buffers", caps.dwMaxHwMixingStaticBuffers},
        {"Max HW Mixing Streaming Buffers", caps.dwMaxHwMixingStreamingBuffers},
        {"Free HW Mixing All Buffers", caps.dwFreeHwMixingAllBuffers},
        {"Free HW Mixing Static Buffers", caps.dwFreeHwMixingStaticBuffers},
        {"Free HW Mixing Streaming Buffers", caps.dwFreeHwMixingStreamingBuffers},
        {"Max HW 3D All Buffers", caps.dwMaxHw3DAllBuffers},
        {"Max HW 3D Static Buffers", caps.dwMaxHw3DStaticBuffers},
        {"Max HW 3D Streaming Buffers", caps.dwMaxHw3DStreamingBuffers},
        {"Free HW 3D All Buffers", caps.dwFreeHw3DAllBuffers},
        {"Free HW 3D Static Buffers", caps.dwFreeHw3DStaticBuffers},
        {"Free HW 3D Streaming Buffers", caps.dwFreeHw3DStreamingBuffers},
        {"Total Sound Card Memory", caps.dwTotalHwMemBytes},
        {"Free Sound Card Memory", caps.dwFreeHwMemBytes},
        {"Max Free Block of Sound Card Memory", caps.dwMaxContigFreeHwMemBytes},
        {"Transfer Rate HW Buffers", caps.dwUnlockTransferRateHwBuffers},
        {"CPU Overhead SW Buffers", caps.dwPlayCpuOverheadSwBuffers},
    };
    const sys::HTREEITEM capsItem = AppendTreeItem(tree, sys::TVI_ROOT, "Caps");
    for (const auto& entry : values) {
        char text[16];
        std::snprintf(text, sizeof(text), "%d", static_cast<int>(entry.value));
        AppendTreeItem(tree, AppendTreeItem(tree, capsItem, entry.name), text);
    }
    return 1;
}

uint32_t SDXSound::GetCapsValue(int index) {
    if (m_pDS == nullptr || index < 0 || index > 11) {
        return 0;
    }
    DSCAPS caps;
    m_hrLast = m_pDS->GetCaps(&caps);
    if (Failed(m_hrLast)) {
        return 0;
    }
    const uint32_t values[12] = {
        caps.dwMaxHwMixingAllBuffers,  caps.dwMaxHwMixingStaticBuffers,  caps.dwMaxHwMixingStreamingBuffers,
        caps.dwFreeHwMixingAllBuffers, caps.dwFreeHwMixingStaticBuffers, caps.dwFreeHwMixingStreamingBuffers,
        caps.dwMaxHw3DAllBuffers,      caps.dwMaxHw3DStaticBuffers,      caps.dwMaxHw3DStreamingBuffers,
        caps.dwFreeHw3DAllBuffers,     caps.dwFreeHw3DStaticBuffers,     caps.dwFreeHw3DStreamingBuffers,
    };
    return values[index];
}

bool SDXSound::HasHardware3D(const SString& description) {
    const int index = FindDriverByDescription(description);
    if (index < 0) {
        return false;
    }
    IDirectSound* probe = nullptr;
    m_hrLast = CreateUninitialized(&probe);
    if (Failed(m_hrLast)) {
        Trace("[SDXSound::Create] : Unable to create DirectSound object\n");
        return false;
    }
    const GUID guid = GetDriverGuid(index);
    DSCAPS caps;
    bool result = false;
    if (Succeeded(probe->Initialize(guid.IsNull() ? nullptr : &guid)) && Succeeded(probe->GetCaps(&caps))) {
        result = caps.dwMaxHw3DAllBuffers != 0 && caps.dwMaxHw3DStaticBuffers != 0;
    }
    probe->Release();
    return result;
}

void SDXSound::ReportError(char* buffer, int size) { SoundReportError(m_hrLast, m_pLogWnd, buffer, size); }

SString& SDXSound::DSErrorText(HRESULT hr, SString& text) {
    struct Name {
        HRESULT code;
        const char* text;
    };
    static const Name kNames[] = {
        {DSERR_ALLOCATED, "DSERR_ALLOCATED\n"},
        {DSERR_CONTROLUNAVAIL, "DSERR_CONTROLUNAVAIL\n"},
        {DSERR_INVALIDPARAM, "DSERR_INVALIDPARAM\n"},
        {DSERR_INVALIDCALL, "DSERR_INVALIDCALL\n"},
        {DSERR_GENERIC, "DSERR_GENERIC\n"},
        {DSERR_PRIOLEVELNEEDED, "DSERR_PRIOLEVELNEEDED\n"},
        {DSERR_OUTOFMEMORY, "DSERR_OUTOFMEMORY\n"},
        {DSERR_BADFORMAT, "DSERR_BADFORMAT\n"},
        {DSERR_UNSUPPORTED, "DSERR_UNSUPPORTED\n"},
        {DSERR_NODRIVER, "DSERR_NODRIVER\n"},
        {DSERR_ALREADYINITIALIZED, "DSERR_ALREADYINITIALIZED\n"},
        {DSERR_NOAGGREGATION, "DSERR_NOAGGREGATION\n"},
        {DSERR_BUFFERLOST, "DSERR_BUFFERLOST\n"},
        {DSERR_OTHERAPPHASPRIO, "DSERR_OTHERAPPHASPRIO\n"},
        {DSERR_UNINITIALIZED, "DSERR_UNINITIALIZED\n"},
        {DSERR_NOINTERFACE, "DSERR_NOINTERFACE\n"},
    };
    for (const Name& name : kNames) {
        if (name.code == hr) {
            text += name.text;
            return text;
        }
    }
    text += "Undefined DirectSound Error\n";
    return text;
}

void SDXSound::Trace(const char*) {}
