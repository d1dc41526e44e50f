#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/SObjectDef.h"
#include "core/SString.h"
#include "frontend/screens/S3DViewScreen.h"

class SHunterInfo;
class SInventorySlots;
class SSprite;

// A placed item of the kit as the page draws it: its name and where its cells lie on the page.
struct SInventoryIcon {
    SString m_sName;
    sys::RECT m_rcCells{};
};

// The inventory page (screen id 13): one catalogue item at a time in the 3D view, browsed by
// category, and the grid of slots the officer's carried kit must fit on. Its kit rules also
// give a new officer the default kit of "DefEquip.cfg". The grid and the category list are the
// program's one copy; the page owns its catalogue.
class SInventoryScreen : public S3DViewScreen {
    DECLARE_DYNAMIC(SInventoryScreen)

public:
    static constexpr int kScreenId = 13;
    // Grid-widening items widen the grid to at most this many columns, whatever sizes a file
    // gives them.
    static constexpr int kMaxGridWidth = 64;
    static constexpr const char* kDefaultKitFile = "DefEquip.cfg";
    static constexpr const char* kSinglePlayerKit = "SinglePlayer";
    static constexpr const char* kIconSprite = "inv btn icon";
    // Layout ids.
    static constexpr uint32_t kViewWindow = 5;
    static constexpr uint32_t kNarrowGridWindow = 5200;
    static constexpr uint32_t kWideGridWindow = 5201;
    // Commands.
    static constexpr uint32_t kPreviousItemCommand = 5000;
    static constexpr uint32_t kNextItemCommand = 5010;
    static constexpr uint32_t kAddCommand = 5020;
    static constexpr uint32_t kRemoveCommand = 5030;
    static constexpr uint32_t kBackCommand = 5040;
    static constexpr uint32_t kDoneCommand = 5050;
    static constexpr uint32_t kPreviousCategoryCommand = 5100;
    static constexpr uint32_t kNextCategoryCommand = 5110;

    static constexpr const char* kNoRoomText = "You must have a %d x %d slot open.";
    static constexpr const char* kDuplicateText = "You already have that item.";
    static constexpr const char* kSecondWeaponText = "You cannot take more than one weapon.";
    static constexpr const char* kSecondScopeText = "You cannot take more than one weapon scope.";
    static constexpr const char* kRemoveFirstText = "You must remove some items first.";

    SInventoryScreen();
    ~SInventoryScreen() override;

    view_desc_t* GetViewDesc() override;
    void OnCameraUpdate(SActor* camera) override;
    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;
    const char* GetAmbientLoopName() override;
    const char* const* GetVoiceOverList() override;
    void Activate() override;
    void Deactivate() override;
    void OnNotify(uint32_t nID, int32_t nCode) override;
    void OnSlideDone() override;
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;
    void OnRButtonDown(uint32_t nFlags, int x, int y) override;
    // The view and the layout, then the icon over every cell a placed item takes.
    int Draw(SDC* pDC) override;

    void UpdateGridSize();
    void LayOutKit();
    bool KitFits(SObjectDef* item);
    // True when the item joined the current officer's carried kit; otherwise GetRefusal says
    // why (empty when there was nothing to add).
    bool AddItem(const char* name);
    bool RemoveItem(const char* name);
    SObjectDef* ItemAt(int x, int y);
    void LoadCatalogue();
    void BuildCategories();
    void NextItem();
    void PreviousItem();
    void NextCategory();
    void PreviousCategory();
    void SelectItem(const char* name);
    static bool UsesRuleSet(const SObjectDef* def, const char* text);
    // The shown item's model wears the skins its "AlternateSkin%02d" values name ("group:skin").
    void ApplyAlternateSkins();
    // The item shown; null with an empty catalogue.
    SObjectDef* GetCurrentItem();
    SString GetItemName();
    SString GetItemModel();
    SString GetItemDescription();

    // A new officer of that name with the kit from "DefEquip.cfg", made current; an officer of
    // that name already on the list is made current instead. The file is not written.
    SHunterInfo* CreateOfficer(const char* name, const char* kitName, SObjectDefList* items);
    // Gives the current officer the kit of that name from "DefEquip.cfg", looking the items up
    // in `items`.
    void LoadKit(SHunterInfo* officer, const char* kitName, SObjectDefList* items);

    static SInventorySlots& Slots();
    static std::vector<std::string>& Categories();

    const SString& GetRefusal() const { return m_sRefusal; }
    SObjectDefList& GetCatalogue() { return m_Catalogue; }
    int GetCategoryIndex() const { return m_iCategory; }
    int GetItemIndex() const { return m_iItem; }
    int GetNextScreen() const { return m_iNextScreen; }
    int GetGridOriginX() const { return m_iGridX; }
    int GetGridOriginY() const { return m_iGridY; }
    const std::vector<SInventoryIcon>& GetIcons() const { return m_Icons; }
    // The actor that carries the current item's model in the view; null while the page is not
    // current.
    SActor* GetItemActor() const { return m_pItemActor; }

protected:
    // Tells the player why an item was refused.
    virtual void ShowRefusal(const char* text);

private:
    static SHunterInfo* Officer();
    SObjectDefList* Kit();
    bool IsItemOfCurrentCategory(const SObjectDef* item) const;
    void ReadKit(const char* kitName);
    void SetViewFromItem();
    // The view's actor takes the current item's model (made when the view has none yet).
    void ShowCurrentItem();
    void SetSceneFlag(bool on);
    // The grid starts where the layout's visible grid window does.
    void PlaceGridOrigin();
    // Window 5200 pictures the grid of 8 columns, 5201 the wider one; only the grid's own shows.
    void ShowGridPicture();

    int32_t m_iGridX = 0;
    int32_t m_iGridY = 0;
    int32_t m_iNextScreen = 2;
    int32_t m_iCategory = 0;
    int32_t m_iItem = 2;
    SObjectDefList m_Catalogue;
    SObjectDefList* m_pItems;  // the catalogue, or the list a creation lends
    uint8_t m_byFirstEntry = 1;
    view_desc_t m_ViewDesc;
    float m_fCameraHeight = 1.87f;
    float m_fCameraPitch = 0.0f;
    float m_fCameraYaw = 1.0f;
    float m_fViewDistance = 50.0f;
    SString m_sRefusal;
    std::vector<SInventoryIcon> m_Icons;
    SSprite* m_pIconSprite = nullptr;  // one catalog use
    SActor* m_pItemActor = nullptr;  // the page's world owns it
};
