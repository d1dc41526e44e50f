#include "frontend/career/SHunterInfoList.h"

#include <string>

#include "app/CTarvexApp.h"
#include "app/SGameObjects.h"
#include "frontend/career/SHunterInfo.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/fs/fs.h"
#include "sys/window/dialogs.h"

IMPLEMENT_SERIAL(SHunterInfoList, CObList, 1)

SHunterInfoList::~SHunterInfoList() { DeleteAll(); }

bool SHunterInfoList::IsModified() {
    for (POSITION pos = GetHeadPosition(); pos != nullptr && m_bChanged == 0;) {
        if (static_cast<SHunterInfo*>(GetNext(pos))->IsChanged())
            m_bChanged = 1;
    }
    return m_bChanged != 0;
}

void SHunterInfoList::ClearModified() {
    m_bChanged = 0;
    for (POSITION pos = GetHeadPosition(); pos != nullptr;)
        static_cast<SHunterInfo*>(GetNext(pos))->ClearChanged();
}

void SHunterInfoList::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        if (!IsModified())
            return;
        StoreRecords(ar);
    } else {
        LoadRecords(ar);
    }
    ClearModified();
}

void SHunterInfoList::StoreRecords(CArchive& ar) const {
    ar.WriteCount(static_cast<uint64_t>(GetCount()));
    for (POSITION pos = GetHeadPosition(); pos != nullptr;)
        ar.WriteObject(GetNext(pos));
}

void SHunterInfoList::LoadRecords(CArchive& ar) {
    career::LoadedObjects session;
    uint32_t count = ar.ReadCount();
    // A list of no officers is saved as its count alone. Bytes after a count of none are what
    // a write cut short leaves (a file of zeros): read as an empty list, the next save would
    // replace every officer it once held without a word.
    if (count == 0 && ar.GetBytesLeft() > 0)
        ThrowArchiveException(CArchiveException::genericException, ar.GetFileName());
    // Every record takes at least its two-byte tag.
    ar.EnsureAvailable(uint64_t{count} * 2);
    const int before = GetCount();
    try {
        while (count-- > 0) {
            SHunterInfo* record = nullptr;
            ar >> record;
            if (!career::LoadedObjects::Claim(ar, record))
                ThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
            AddTail(record);
            career::LoadedObjects::ThrowIfDamaged(ar);
        }
        // A save ends with its last officer. Bytes after it are a count made smaller or more
        // written over an older file: read as the file it seems, the next save would drop
        // whatever officers they hold without a word.
        if (ar.GetBytesLeft() > 0)
            ThrowArchiveException(CArchiveException::genericException, ar.GetFileName());
    } catch (...) {
        while (GetCount() > before)
            delete static_cast<SHunterInfo*>(RemoveTail());
        delete session.TakeHalfRead();
        throw;
    }
}

bool SHunterInfoList::Save(const char* fileName, const char* failureText) {
    if (!IsModified())
        return true;
    // The player was told once that nothing is saved; the changes stay in memory.
    if (SGameObjects::Instance()->m_bHomeReadOnly != 0)
        return false;
    bool saved = false;
    try {
        CMemFile file;
        CArchive ar(&file, CArchive::store, 4096);
        StoreRecords(ar);
        ar.Close();
        const auto length = static_cast<size_t>(file.GetLength());
        // A list too large for the next start to read is not written: the file keeps the list
        // it had, which that start then reads whole.
        if (SGameObjects::IsReadablePlayerFileSize(length)) {
            file.SeekToBegin();
            std::string bytes(length, '\0');
            file.Read(bytes.data(), static_cast<unsigned>(length));
            saved = sys::fs::WriteFileAtomically(fileName, bytes);
        }
    } catch (const CException&) {
        saved = false;
    }
    if (!saved) {
        sys::dialogs::MessageBox(failureText != nullptr ? failureText : kSaveFailedText, CTarvexApp::kTitle,
                                 sys::MB_OK);
        return false;
    }
    ClearModified();
    return true;
}

void SHunterInfoList::Withdraw(SHunterInfo* record, bool wasModified) {
    if (POSITION pos = Find(record))
        RemoveAt(pos);
    delete record;
    if (!wasModified)
        ClearModified();
}

SHunterInfo* SHunterInfoList::GetRecord(int index) const {
    if (index < 0 || index >= static_cast<int>(GetCount()))
        return nullptr;
    return static_cast<SHunterInfo*>(GetAt(FindIndex(index)));
}

SHunterInfo* SHunterInfoList::FindByName(const char* name) const {
    if (name == nullptr)
        return nullptr;
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        auto* record = static_cast<SHunterInfo*>(GetNext(pos));
        if (record->m_sName == name)
            return record;
    }
    return nullptr;
}

void SHunterInfoList::DeleteAll() {
    while (!IsEmpty())
        delete static_cast<SHunterInfo*>(RemoveHead());
}
