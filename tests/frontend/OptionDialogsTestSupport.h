#pragma once

// Shared set-up of the settings page's option dialog tests: the program's hub with a fresh
// configuration and input object of the test's own, dialog layouts built in a test catalog from
// a table of control ids, and generic dialogs that answer as the test says and record what they
// showed.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/CConfigData.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SInputObj.h"
#include "frontend/dialogs/STransparantDialog.h"
#include "sys/input/headless/headless_input.h"
#include "sys/profile.h"
#include "sys/time/time.h"
#include "tests/app/ConfigTestSupport.h"
#include "tests/support/ProcessHubGuard.h"
#include "tests/support/ScratchFolder.h"
#include "ui/SDialog.h"
#include "ui/SGraphicsHost.h"
#include "ui/widgets/SButton.h"
#include "ui/widgets/SListCtrl.h"
#include "ui/widgets/SScrollBar.h"
#include "ui/widgets/SSlider.h"
#include "ui/widgets/STextCtrl.h"

namespace optiontest {

// What the generic dialogs say and answer.
struct Script {
    int answer = 1;                         // 1 yes / OK, 2 no / Cancel
    std::string fileName = "player.bak";    // what the text entry returns
    std::vector<std::string> shown;         // "layout: text", in order
};

class ScriptedDialog : public SDialog {
public:
    ScriptedDialog(Script& script, std::string layout) : m_Script(script), m_Layout(std::move(layout)) {
        Create(nullptr, "", 0, sys::RECT{0, 0, 200, 100}, nullptr, 0, nullptr);
        (new STextCtrl)->CreateText("", 0, sys::RECT{0, 0, 200, 40}, this, 100);
        (new STextCtrl)->CreateText("", 0, sys::RECT{0, 50, 200, 70}, this, 110);
    }
    int DoModal(SDC*) override {
        CString text;
        FindChild(100)->GetText(text);
        m_Script.shown.push_back(m_Layout + ": " + text.GetString());
        if (m_Layout == "Password")
            FindChild(110)->SetText(m_Script.fileName.c_str());
        return m_Script.answer;
    }

private:
    Script& m_Script;
    std::string m_Layout;
};

class ScriptedFactory : public SGenericDialogFactory {
public:
    explicit ScriptedFactory(Script& script) : m_Script(script) {}
    SDialog* CreateDialog(const char*, const char* layout) override { return new ScriptedDialog(m_Script, layout); }
    void SetDialogValue(SDialog*, uint32_t) override {}

private:
    Script& m_Script;
};

// A control of a test layout.
enum class Kind { Check, Radio, Push, Slider, List, Bar, Text };
struct Control {
    uint32_t id;
    Kind kind;
    int value = 100;  // a slider's maximum, a radio button's group
};

class OptionDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = tarvex::test::MakeScratchFolder("OptionDialogs");
        sys::profile::SetFile(m_folder + "/profile.ini");
        std::filesystem::current_path(m_folder);
        sys::time::SetFakeTicks(1000);
        sys::input::headless::Reset();
        SWindow::SetResourceCatalog(&m_catalog);
        m_pSavedConfig = m_pHub->m_pConfig;
        m_pSavedInput = m_pHub->m_pInput;
        m_pHub->m_pInput = new SInputObj;
        m_pHub->m_pConfig = new CConfigData;
        m_pHub->m_pConfig->m_pInputSettings = &m_pHub->m_pInput->GetSettings();
        m_pHub->m_pGameItems->m_pConfig = m_pHub->m_pConfig;
        m_pHub->m_pGraphics = &m_graphics;
        m_host.SetDialogFactory(&m_factory);
        SDisplayHost::SetInstance(&m_host);
    }
    void TearDown() override {
        SDisplayHost::SetInstance(nullptr);
        m_pHub->m_pGraphics = nullptr;
        delete m_pHub->m_pConfig;
        delete m_pHub->m_pInput;
        m_pHub->m_pConfig = m_pSavedConfig;
        m_pHub->m_pGameItems->m_pConfig = m_pSavedConfig;
        m_pHub->m_pInput = m_pSavedInput;
        SWindow::SetResourceCatalog(nullptr);
        sys::input::headless::Reset();
    }

    // A dialog layout "OPTION_MENU_MAIN":name holding the controls, 20 pixels apart downwards.
    void AddLayout(const char* name, std::initializer_list<Control> controls) {
        auto* layout = new SDialog;
        layout->Create(nullptr, "", 0, sys::RECT{0, 0, 400, 400}, nullptr, 0, nullptr);
        int top = 0;
        for (const Control& control : controls) {
            const sys::RECT rc{10, top, 390, top + 18};
            top += 20;
            switch (control.kind) {
            case Kind::Check:
            case Kind::Radio:
            case Kind::Push: {
                auto* button = new SButton;
                const uint32_t style = control.kind == Kind::Check   ? SButton::kStyleToggle
                                       : control.kind == Kind::Radio ? SButton::kStyleGroup
                                                                     : 0;
                button->CreateButton("", style, rc, layout, control.id);
                button->SetGroup(control.kind == Kind::Radio ? static_cast<uint32_t>(control.value) : 0);
                break;
            }
            case Kind::Slider: {
                auto* slider = new SSlider;
                slider->CreateSlider("", 0, rc, layout, control.id);
                slider->SetMax(control.value);
                break;
            }
            case Kind::List: {
                auto* list = new SListCtrl;
                // Tall enough for its header and six rows of 16.
                list->CreateListCtrl(0, sys::RECT{10, top, 390, top + 140}, layout, control.id);
                top += 150;
                break;
            }
            case Kind::Bar:
                (new SScrollBar)->CreateScrollBar(SScrollBar::kStyleVertical, rc, layout, control.id);
                break;
            case Kind::Text:
                (new STextCtrl)->CreateText("", 0, rc, layout, control.id);
                break;
            }
        }
        auto* item = new SCatalogItem(STransparantDialog::kDialogsKind, "OPTION_MENU_MAIN", name, "");
        item->SetResource(layout);
        m_catalog.AddItem(item);
    }

    static std::string Text(STransparantDialog& dialog, uint32_t id) {
        CString text;
        SWindow* control = dialog.FindControl(id);
        return control != nullptr ? control->GetText(text).GetString() : "<none>";
    }
    static int Check(STransparantDialog& dialog, uint32_t id) {
        auto* button = dynamic_cast<SButton*>(dialog.FindControl(id));
        return button != nullptr ? button->GetCheck() : -1;
    }
    // The user clicks a check box or radio button: it changes, then the dialog hears of it.
    static void Toggle(STransparantDialog& dialog, uint32_t id) {
        auto* button = dynamic_cast<SButton*>(dialog.FindControl(id));
        ASSERT_NE(button, nullptr) << id;
        button->SetCheck(button->GetCheck() != 0 && (button->GetStyle() & SButton::kStyleGroup) == 0 ? 0 : 1);
        dialog.OnNotify(id, SWindow::kNotifyClick);
    }
    static void Click(STransparantDialog& dialog, uint32_t id) { dialog.OnNotify(id, SWindow::kNotifyClick); }
    static SSlider* Slider(STransparantDialog& dialog, uint32_t id) {
        return dynamic_cast<SSlider*>(dialog.FindControl(id));
    }

    std::string m_folder;
    tarvex::test::TestEnvironmentGuard m_guard;
    SGameObjects* m_pHub = SGameObjects::Instance();
    tarvex::test::ProcessHubGuard m_hubGuard;
    SCatalog m_catalog;
    SGraphics m_graphics;
    SGraphicsHost m_host{&m_graphics};
    Script m_script;
    ScriptedFactory m_factory{m_script};
    CConfigData* m_pSavedConfig = nullptr;
    SInputObj* m_pSavedInput = nullptr;
};

}  // namespace optiontest
