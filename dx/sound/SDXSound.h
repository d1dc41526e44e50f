#pragma once

#include <cstdint>
#include <vector>

#include "core/SString.h"
#include "sys/audio/audio.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CStringList.h"
#include "sys/window/window.h"

// One sound driver as enumeration reported it. Owned by the driver list of SDXSound.
class DSDriver : public CObject {
public:
    sys::audio::GUID m_guid;  // all zeros for the primary sound driver
    SString m_sDescription;
    SString m_sModule;
};

// The program's one sound device: enumerates the sound drivers, creates the device with its
// cooperative level and primary buffer (optionally with 3D control) and sets the primary format.
// The sound manager SSound derives from it, and every sound buffer is created on it. It also
// names sound result codes for every sound wrapper. It shows nothing to the user.
class SDXSound : public CObject {
    DECLARE_DYNAMIC(SDXSound)

public:
    SDXSound();
    ~SDXSound() override;
    SDXSound(const SDXSound&) = delete;
    SDXSound& operator=(const SDXSound&) = delete;

    // Creates the device on a driver (all zeros: the default device) with its primary buffer.
    int Create(const sys::audio::GUID& guid, uint32_t cooperativeLevel, bool b3D);
    // Create at the priority level, then SetPrimaryFormat; true when both succeed.
    bool CreateWithFormat(const sys::audio::GUID& guid, bool b3D, int sampleRate, int bits, bool stereo);
    // Asks the primary buffer for a PCM format. A format the device keeps its own way is not a
    // failure; 0 only without a device.
    int SetPrimaryFormat(int sampleRate, int bits, bool stereo);
    // Releases the primary buffer, then the device.
    void Cleanup();

    // Rebuilds the driver list; true when enumeration succeeded.
    bool EnumerateDrivers();
    // Position (from 0) of the first driver whose description (module name) equals the text
    // without regard to case; -1 when none.
    int FindDriverByDescription(const SString& description) const;
    int FindDriverByModule(const SString& module) const;
    DSDriver* GetDriver(int index) const;
    sys::audio::GUID GetDriverGuid(int index) const;
    sys::audio::GUID GetDriverGuidByDescription(const SString& description) const;
    sys::audio::GUID GetDriverGuidByModule(const SString& module) const;
    SString GetDriverModule(int index) const;
    int GetDriverCount() const { return static_cast<int>(m_Drivers.size()); }
    // Appends each driver's description (and, when the second list is given, its module name).
    // 0 when there are no drivers.
    int GetDriverNames(CStringList* descriptions, CStringList* modules) const;
    // Adds every driver description at the end of a combo box; 0 without drivers or window.
    int FillDriverCombo(sys::HWND combo) const;
    // Empties a tree control and lists the device's capabilities in it: a "Flags" branch with
    // the name of each set flag and a "Caps" branch with each value under its name. 0 without a
    // device or window, or when the device cannot answer.
    int FillCapsTree(sys::HWND tree);

    // One of the twelve hardware buffer counts of the device capabilities (maximum then free;
    // mixing all/static/streaming, then 3D all/static/streaming); 0 for any other index.
    uint32_t GetCapsValue(int index);
    // Whether the named driver offers hardware 3D buffers, asked of a temporary device.
    bool HasHardware3D(const SString& description);

    // Copies the name of the last result into the buffer, always terminated within `size`, and
    // adds it to the log window when one is set.
    void ReportError(char* buffer, int size);
    // Appends the name of a result code and a line feed ("DSERR_BUFFERLOST\n").
    static SString& DSErrorText(sys::audio::HRESULT hr, SString& text);
    // Diagnostic hook: the texts go nowhere.
    static void Trace(const char* text);

    sys::audio::IDirectSound* GetDirectSound() const { return m_pDS; }
    sys::audio::IDirectSoundBuffer* GetPrimaryBuffer() const { return m_pPrimary; }
    sys::audio::HRESULT GetLastResult() const { return m_hrLast; }
    int GetSampleRate() const { return m_iSampleRate; }
    int IsStereo() const { return m_bStereo; }
    uint16_t GetBits() const { return m_wBits; }
    void SetLogWindow(sys::HWND window) { m_pLogWnd = window; }

    // Added to every volume a sound buffer sets (hundredths of a decibel).
    static int32_t s_lMasterVolume;

protected:
    sys::audio::IDirectSound* m_pDS = nullptr;
    std::vector<DSDriver*> m_Drivers;  // owned
    int m_iSampleRate = 22050;
    int m_bStereo = 1;
    uint16_t m_wBits = 8;
    sys::audio::HRESULT m_hrLast = 0;
    sys::HWND m_pLogWnd = nullptr;
    sys::audio::IDirectSoundBuffer* m_pPrimary = nullptr;

private:
    void DeleteDrivers();
};

// Copies a result name into a caller's buffer, cut to fit and always terminated; appends it to a
// log edit window when one is given. Shared by the sound wrappers' ReportError.
void SoundReportError(sys::audio::HRESULT hr, sys::HWND logWindow, char* buffer, int size);
