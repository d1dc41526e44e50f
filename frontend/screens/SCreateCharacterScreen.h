#pragma once

#include <cstdint>

#include "core/SObjectDef.h"
#include "frontend/screens/S3DViewScreen.h"
#include "frontend/screens/SOfficerView.h"

class SHunterInfo;

// The officer creation page (screen id 1): the player types a name, steps through the officer
// models the model files ("*.sss" in the officer-data folder) offer and confirms. The new
// officer gets the model, its portrait and the default kit, becomes current, and the officer
// file is written at once. Given an officer to edit, the page renames and re-models it instead.
// The model the player steps to stands in the page's 3D view.
class SCreateCharacterScreen : public S3DViewScreen {
    DECLARE_DYNAMIC(SCreateCharacterScreen)

public:
    static constexpr int kScreenId = 1;
    static constexpr int kNameLimit = 18;
    static constexpr uint32_t kNameBox = 200;
    static constexpr uint32_t kPortrait = 5;
    static constexpr uint32_t kCreateCommand = 111;
    static constexpr uint32_t kCancelCommand = 222;
    static constexpr uint32_t kPreviousCommand = 1111;
    static constexpr uint32_t kNextCommand = 2222;
    static constexpr const char* kDuplicateText = "There is already a officer with this name.";
    static constexpr const char* kEmptyNameText = "Please type a name for the officer.";
    // Where the model files are when the profile names no officer-data folder.
    static constexpr const char* kDefaultModelFolder = "Officers";
    // The page's value for the model-view session record.
    static constexpr int32_t kViewSessionValue = 0xFF00;

    SCreateCharacterScreen();
    ~SCreateCharacterScreen() override;

    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;
    void Activate() override;
    void Deactivate() override;
    view_desc_t* GetViewDesc() override;
    void OnCameraUpdate(SActor* camera) override;
    void OnNotify(uint32_t nID, int32_t nCode) override;
    void OnSlideDone() override;

    void ScanModelFiles();
    void SelectFirstModel();
    void NextModel();
    void PreviousModel();
    void RefreshDisplay();
    bool CreateOfficer();
    // Gives the officer the selected model and its first skin; nothing without a model.
    void ApplyModel(SHunterInfo* officer);

    // The officer to edit on the next visit; forgotten when the page is left.
    void SetOfficerUnderEdit(SHunterInfo* officer) { m_pEdited = officer; }
    SObjectDefList& GetModels() { return m_Models; }
    SObjectDefList& GetSkins() { return m_Skins; }
    // The selected model's definition; null when none.
    SObjectDef* GetSelectedModel() const;
    int GetPortrait() const { return m_iPortrait; }
    bool IsCancelled() const { return m_byCancelled != 0; }
    const SOfficerView& GetOfficerView() const { return m_View; }

protected:
    // A notice over the page.
    virtual void Tell(const char* text);

private:
    SObjectDefList m_Models;
    SObjectDefList m_Skins;
    SOfficerView m_View;
    int32_t m_iPortrait = 0;
    SHunterInfo* m_pEdited = nullptr;  // the list's
    int32_t m_iSelected = -1;          // position in the model list
    uint8_t m_byCancelled = 0;
};
