#pragma once

#include "sys/classlib/CString.h"

class SHunterInfo;
class SHunterInfoList;
class SScreen;

// What the officer pages share: their pictures, the remembered officer and the officer file.
namespace officer_page {

constexpr int kTransparentIndex = 249;

// The images of windows 999, 998 and 5 get the transparent colour index.
void MakeImagesTransparent(SScreen* layout);
// The position of the first officer named exactly "LastPlayer", else the last one; -1 for none.
int FindLastPlayer(const SHunterInfoList* list);
// "LastPlayer" becomes the officer's name (empty for none).
void RememberOfficer(const SHunterInfo* officer);
// Writes the officer file when anything changed; on failure the player is told.
void SaveOfficers(SHunterInfoList* list);
// Window 5 shows the portrait image.
void ShowPortrait(SScreen* layout, int portrait);
void SetText(SScreen* layout, unsigned id, const char* text);

}  // namespace officer_page
