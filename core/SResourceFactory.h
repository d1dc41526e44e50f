#pragma once

#include "core/SResource.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"

// Makes a new, empty resource of the class that belongs to a kind code.
using SResourceCreator = SResource* (*)();

// Turns a resource kind code into a new, empty object of the right class, and loads such an
// object from a file. The classes live in the subsystems above the engine foundation, so the
// factory is a registry: each subsystem registers the creators of its kinds at start-up, and a
// kind nobody registered makes nothing, like the codes that name no class. The factory itself
// holds no state; callers make one on the stack where they need it.
class SResourceFactory : public CObject {
    DECLARE_DYNAMIC(SResourceFactory)

public:
    SResourceFactory() = default;

    // A new object of the kind's class, or null for a kind without a registered class.
    SResource* CreateResource(int nKind);
    // Creates the kind's object, remembers it as the last created resource, opens the file
    // strFolder + strFile (joined as they are, no separator added) for reading and lets the
    // object read itself from it. Null for a kind without a class. A file that cannot be opened,
    // or an object that refuses its file, raises CFileException; the half-made object is then
    // reachable only through GetLastCreated, so the catching caller can delete it.
    SResource* CreateFromFile(int nKind, const CString& strFolder, const CString& strFile);

    // Registers (or with null, removes) the creator of a kind. Refused (false) for codes that
    // name no class: 0, 6, 7, 15, 16 and anything outside 0..27. A later registration of the
    // same kind replaces the earlier one.
    static bool RegisterKind(int nKind, SResourceCreator pfnCreate);
    template <class T>
    static bool RegisterKind(int nKind) {
        return RegisterKind(nKind, []() -> SResource* { return new T; });
    }
    // The registered creator of a kind, or null.
    static SResourceCreator GetCreator(int nKind);

    // The object CreateFromFile made last (null when that kind had no class), until cleared.
    static SResource* GetLastCreated() { return s_pLastCreated; }
    static void ClearLastCreated() { s_pLastCreated = nullptr; }

private:
    static SResource* s_pLastCreated;
};
