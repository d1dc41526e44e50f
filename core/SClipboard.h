#pragma once

#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"

// Puts plain text on the system clipboard and reads it back. The edit box embeds one for its
// copy, cut and paste keys; it holds no state of its own.
class SClipboard : public CObject {
    DECLARE_DYNAMIC(SClipboard)

public:
    SClipboard() = default;
    ~SClipboard() override = default;

    // Replaces the clipboard's content with the text (an empty text is a text too). False when
    // the clipboard could not take it.
    virtual bool SetText(const CString& strText);
    // The clipboard's text into strText; false, leaving strText as it was, when there is none.
    virtual bool GetText(CString& strText);
};
