#include "core/SClipboard.h"

#include <string>

#include "sys/window/clipboard.h"

IMPLEMENT_DYNAMIC(SClipboard, CObject)

bool SClipboard::SetText(const CString& strText) { return sys::clipboard::SetText(strText.str()); }

bool SClipboard::GetText(CString& strText) {
    std::string text;
    if (!sys::clipboard::GetText(text))
        return false;
    strText = CString(std::move(text));
    return true;
}
