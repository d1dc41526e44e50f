#pragma once

#include <cstdint>

#include "frontend/screens/SAppScreen.h"

class SHunterInfo;
class SHunterInfoList;

// The officer choice page (screen id 2): steps through the officers of the officer file one at
// a time with name, portrait, qualified weapons, level and note, and chooses or deletes one.
// It remembers the officer shown in "LastPlayer" and writes the officer file when it is left.
class SChooseCharacterScreen : public SAppScreen {
    DECLARE_DYNAMIC(SChooseCharacterScreen)

public:
    static constexpr int kScreenId = 2;
    static constexpr uint32_t kNameText = 200;
    static constexpr uint32_t kRankText = 300;
    static constexpr uint32_t kPortrait = 5;
    static constexpr uint32_t kChooseCommand = 111;
    static constexpr uint32_t kBackCommand = 222;
    static constexpr uint32_t kDeleteCommand = 1000;
    static constexpr uint32_t kPreviousCommand = 1111;
    static constexpr uint32_t kNextCommand = 2222;
    static constexpr const char* kDeleteQuestion = "Really delete this officer?";

    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;
    void Activate() override;
    void Deactivate() override;
    void OnNotify(uint32_t nID, int32_t nCode) override;
    void OnSlideDone() override;

    void Refresh();
    void Choose();
    void Delete();
    void Next();
    void Previous();

    // -1 when none is selected.
    int GetSelected() const { return m_iSelected; }
    int GetNextScreen() const { return m_iNextScreen; }

protected:
    // The yes/no question; true for yes.
    virtual bool Confirm(const char* text);

private:
    SHunterInfo* Selected() const;

    SHunterInfoList* m_pList = nullptr;  // the hub's
    int32_t m_iSelected = -1;
    int32_t m_iNextScreen = 0;  // the main menu until a command says otherwise
};
