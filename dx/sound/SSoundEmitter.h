#pragma once

#include <cstdint>

#include "core/SResource.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CStringArray.h"

// The thirteen values of a sound emitter. Only their storage order and defaults are fixed; the
// defaults of values 7 and 8 (360) and 10 and 11 (200, 5) read like a pair of cone angles and a
// pair of distances. Embedded in its emitter.
class SSoundEmitterInfo : public CObject {
    DECLARE_DYNCREATE(SSoundEmitterInfo)

public:
    SSoundEmitterInfo() { Reset(); }
    SSoundEmitterInfo(const SSoundEmitterInfo& other) : CObject() { Assign(other); }
    SSoundEmitterInfo& operator=(const SSoundEmitterInfo& other) {
        Assign(other);
        return *this;
    }

    // The thirteen values in their stored order (4, 7, 8, 9, 12, 13, 2, 5, 1, 6, 3, 11, 10).
    void Serialize(CArchive& ar) override;
    virtual void Reset();
    void Assign(const SSoundEmitterInfo& other);

    int32_t m_Value1 = 0;
    int32_t m_Value2 = 0;
    int32_t m_Value3 = 0;
    int32_t m_Value4 = 0;
    int32_t m_Value5 = 0;
    int32_t m_Value6 = 0;
    float m_Value7 = 360.0f;
    float m_Value8 = 360.0f;
    int32_t m_Value9 = 0;
    float m_Value10 = 200.0f;
    float m_Value11 = 5.0f;
    int32_t m_Value12 = 0;
    int32_t m_Value13 = 0;
};

// A catalog resource of kind 20 ("Sound Emitters"): a named set of sound files with one block of
// emitter values. The factory makes it, the catalog stores it, and loading it only checks that
// the folder of its files exists; whoever fetches it from the catalog plays its sounds.
class SSoundEmitter : public SResource {
    DECLARE_SERIAL(SSoundEmitter)

public:
    SSoundEmitter();
    explicit SSoundEmitter(const CString& firstFile);
    SSoundEmitter(const CString& firstFile, const SSoundEmitterInfo& info);
    // Deletes the resources held in the resource array, last first.
    ~SSoundEmitter() override;
    SSoundEmitter(const SSoundEmitter&) = delete;
    SSoundEmitter& operator=(const SSoundEmitter&) = delete;

    // The schema word, the thirteen values, then the file names. The folder is not stored.
    void Serialize(CArchive& ar) override;
    void Unload() override;
    // True when some folder of the list holds the first file (see LoadFromFile).
    bool LoadFromMemory(CStringArray* folders, uintptr_t flags) override;
    // True when folder + "/" + the first file exists; the folder is then remembered. False
    // without file names, without looking at the disk.
    bool LoadFromFile(const CString& folder, uintptr_t flags) override;
    int32_t Accept(SResourceVisitor* visitor) override;

    SResource* GetFirstResource() const;
    // Empty for an index out of range.
    CString GetFileName(int index) const;
    // Takes the other's folder and values.
    SSoundEmitter& Assign(const SSoundEmitter& other);

    CStringArray& GetFiles() { return m_Files; }
    const CString& GetFolder() const { return m_sFolder; }
    SSoundEmitterInfo& GetInfo() { return m_Info; }

private:
    CStringArray m_Files;
    CString m_sFolder;
    SSoundEmitterInfo m_Info;
};
