#include "frontend/screens/SOfficerPage.h"

#include <string>

#include "core/SResource.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "sys/profile.h"
#include "ui/SDIB.h"
#include "ui/SScreen.h"
#include "ui/widgets/SMultiImage.h"

namespace officer_page {

void MakeImagesTransparent(SScreen* layout) {
    if (layout == nullptr)
        return;
    for (uint32_t id : {999u, 998u, 5u}) {
        SWindow* images = layout->FindChild(id);
        SResourceArray* resources = images != nullptr ? images->GetResourceArray() : nullptr;
        for (int i = 0; resources != nullptr && i < resources->GetSize(); ++i) {
            if (auto* image = dynamic_cast<SDIB*>(resources->GetAt(i)))
                image->SetTransparentIndex(kTransparentIndex);
        }
    }
}

int FindLastPlayer(const SHunterInfoList* list) {
    if (list == nullptr || list->GetCount() == 0)
        return -1;
    const std::string last = sys::profile::GetString(sys::profile::Kind::Application, "Settings", "LastPlayer", "");
    for (int i = 0; i < list->GetCount(); ++i) {
        if (list->GetRecord(i)->m_sName == last.c_str())
            return i;
    }
    return list->GetCount() - 1;
}

void RememberOfficer(const SHunterInfo* officer) {
    sys::profile::WriteString(sys::profile::Kind::Application, "Settings", "LastPlayer",
                              officer != nullptr ? officer->m_sName.GetString() : "");
}

void SaveOfficers(SHunterInfoList* list) {
    if (list != nullptr)
        list->Save(SHunterInfoList::kFileName, SHunterInfoList::kSaveFailedText);
}

void ShowPortrait(SScreen* layout, int portrait) {
    if (auto* images = dynamic_cast<SMultiImage*>(layout != nullptr ? layout->FindChild(5) : nullptr)) {
        if (portrait >= 0 && portrait < images->GetImageCount())
            images->SetCurImage(portrait);
    }
}

void SetText(SScreen* layout, unsigned id, const char* text) {
    if (SWindow* window = layout != nullptr ? layout->FindChild(id) : nullptr)
        window->SetText(text);
}

}  // namespace officer_page
