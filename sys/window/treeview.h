#pragma once

#include <cstdint>

#include "sys/window/window.h"

// The tree-view control's messages and records, as diagnostic code fills such a control: items
// are inserted under a parent (or the root) at the end and answered by their handle; deleting
// the root empties the tree. Only the text of an item is used here.
namespace sys {

struct TreeItemHandle;
using HTREEITEM = TreeItemHandle*;

constexpr UINT TVM_INSERTITEM = 0x1100;
constexpr UINT TVM_DELETEITEM = 0x1101;
constexpr UINT TVIF_TEXT = 0x0001;

inline HTREEITEM TreeItemValue(intptr_t value) { return reinterpret_cast<HTREEITEM>(value); }
inline const HTREEITEM TVI_ROOT = TreeItemValue(-0x10000);
inline const HTREEITEM TVI_LAST = TreeItemValue(-0xFFFE);

struct TVITEM {
    UINT mask = 0;
    HTREEITEM hItem = nullptr;
    UINT state = 0;
    UINT stateMask = 0;
    const char* pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    int iSelectedImage = 0;
    int cChildren = 0;
    LPARAM lParam = 0;
};

struct TVINSERTSTRUCT {
    HTREEITEM hParent = nullptr;
    HTREEITEM hInsertAfter = nullptr;
    TVITEM item;
};

}  // namespace sys
