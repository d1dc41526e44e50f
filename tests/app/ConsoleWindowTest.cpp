// The text-entry dialog under the console and the console itself: history and recall, the
// output list filled from the bottom and trimmed, wrapping, clicking an echoed line, and the
// console's submit, echo and F2.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/CConfigData.h"
#include "app/CSystemData.h"
#include "app/SCommandDialog.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SMsgHandler.h"
#include "core/SCommandInterpreter.h"
#include "core/SDataCollection.h"
#include "core/SString.h"
#include "dx/input/SInputObj.h"
#include "sys/time/time.h"
#include "sys/window/window.h"
#include "tests/app/ConfigTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "ui/SDC.h"
#include "ui/widgets/SEditBox.h"
#include "ui/widgets/SListBox.h"
#include "ui/SWindow.h"

namespace {

// Six pixels a character, fourteen a row; keeps the texts drawn.
class MeasuringDC : public SDC {
public:
    int GetTextExtent(const char* pszText, sys::SIZE& size) override {
        size.cx = 6 * static_cast<int>(std::strlen(pszText));
        size.cy = 14;
        return 1;
    }
    void TextOut(int, int, const char* pszText, int) override { m_drawn.emplace_back(pszText); }
    std::vector<std::string> m_drawn;
};

class RecordingEditDialog : public SEditDialog {
public:
    void OnSubmit(const char* pszText) override { m_Submitted.emplace_back(pszText); }
    std::vector<std::string> m_Submitted;
};

std::string Input(SEditDialog& dialog) {
    CString text;
    return static_cast<const char*>(dialog.GetEditBox()->GetText(text));
}

void Type(SEditDialog& dialog, const char* line) {
    dialog.GetEditBox()->SetText(line);
    dialog.OnKeyDown(sys::VK_RETURN, 1, 0);
}

class EditDialogTest : public testing::Test {
protected:
    void SetUp() override {
        // Laid out under a parent: list (104, 54)-(396, 170) above the input line.
        m_parent.MoveWindow(sys::RECT{0, 0, 640, 480});
        m_dialog.SetParent(&m_parent);
        m_dialog.MoveWindow(sys::RECT{100, 50, 400, 200});
    }
    void TearDown() override { m_dialog.SetParent(nullptr); }
    SWindow m_parent;
    RecordingEditDialog m_dialog;
};

TEST_F(EditDialogTest, HistoryKeepsTheNewest32WithDuplicatesAndSkipsBlankLines) {
    Type(m_dialog, "   ");
    ASSERT_EQ(m_dialog.m_Submitted.size(), 1u);
    EXPECT_EQ(m_dialog.m_Submitted[0], "");
    EXPECT_EQ(m_dialog.GetHistoryCount(), 0);
    for (int i = 1; i <= 33; ++i)
        Type(m_dialog, ("  line " + std::to_string(i) + " ").c_str());
    EXPECT_EQ(m_dialog.GetHistoryCount(), 32);
    EXPECT_EQ(std::string(m_dialog.GetHistoryItem(0)), "line 33");
    EXPECT_EQ(std::string(m_dialog.GetHistoryItem(31)), "line 2");
    EXPECT_EQ(std::string(m_dialog.GetHistoryItem(32)), "");
    EXPECT_EQ(std::string(m_dialog.GetHistoryItem(-1)), "");
    Type(m_dialog, "line 33");
    EXPECT_EQ(std::string(m_dialog.GetHistoryItem(1)), "line 33");
    EXPECT_EQ(Input(m_dialog), "");
}

TEST_F(EditDialogTest, UpDownAndF3RecallTheHistory) {
    Type(m_dialog, "first");
    Type(m_dialog, "second");
    m_dialog.OnKeyDown(sys::VK_UP, 1, 0);
    EXPECT_EQ(Input(m_dialog), "second");
    EXPECT_EQ(m_dialog.GetEditBox()->GetCaretPos(), 7);
    m_dialog.OnKeyDown(sys::VK_UP, 1, 0);
    EXPECT_EQ(Input(m_dialog), "first");
    m_dialog.OnKeyDown(sys::VK_UP, 1, 0);
    EXPECT_EQ(Input(m_dialog), "");  // past the oldest
    m_dialog.OnKeyDown(sys::VK_DOWN, 1, 0);
    EXPECT_EQ(Input(m_dialog), "first");
    m_dialog.OnKeyDown(sys::VK_DOWN, 1, 0);
    m_dialog.OnKeyDown(sys::VK_DOWN, 1, 0);
    EXPECT_EQ(Input(m_dialog), "");  // below the newest
    m_dialog.OnKeyDown(sys::VK_F3, 1, 0);
    EXPECT_EQ(Input(m_dialog), "second");
    m_dialog.OnKeyDown(sys::VK_UP, 1, 0);
    EXPECT_EQ(Input(m_dialog), "first");
    // Any other key starts the next Up from the newest again.
    m_dialog.OnKeyDown('A', 1, 0);
    EXPECT_EQ(m_dialog.GetHistoryIndex(), -1);
    m_dialog.OnKeyDown(sys::VK_UP, 1, 0);
    EXPECT_EQ(Input(m_dialog), "second");
    // Escape does not end this dialog.
    m_dialog.OnKeyDown(sys::VK_ESCAPE, 1, 0);
    EXPECT_FALSE(m_dialog.IsDone());
}

TEST_F(EditDialogTest, OutputFillsFromTheBottomAndKeepsTheNewest50) {
    MeasuringDC dc;
    SListBox& list = *m_dialog.GetListBox();
    int remainder = 0;
    const int visible = list.GetVisibleCount(&dc, remainder);
    ASSERT_GT(visible, 1);
    m_dialog.AppendOutput("hello", &dc);
    ASSERT_EQ(list.GetCount(), visible + 1);
    EXPECT_EQ(std::string(list.GetItemText(visible)), "hello ");
    EXPECT_EQ(std::string(list.GetItemText(0)), "");
    for (int i = 0; i < 60; ++i)
        m_dialog.AppendOutput(std::to_string(i).c_str(), &dc);
    EXPECT_EQ(list.GetCount(), 50);
    EXPECT_EQ(std::string(list.GetItemText(49)), "59 ");
    EXPECT_EQ(std::string(list.GetItemText(0)), "10 ");
}

TEST_F(EditDialogTest, EachLineOfATextWrapsOnItsOwn) {
    // The list is 292 pixels wide less 2: 48 characters of six pixels fit on a row.
    MeasuringDC dc;
    std::vector<CString> lines;
    const std::string word10 = "abcdefghi";  // nine letters and the blank: ten characters
    m_dialog.WrapText((word10 + " " + word10 + " " + word10 + " " + word10 + " " + word10).c_str(), lines, &dc);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(std::string(lines[0]), word10 + " " + word10 + " " + word10 + " " + word10 + " ");
    SListBox& list = *m_dialog.GetListBox();
    m_dialog.AppendOutput("start", nullptr);
    const int before = list.GetCount();
    m_dialog.AppendOutput("one\ntwo\nthree", nullptr);
    EXPECT_EQ(list.GetCount() - before, 3);
    EXPECT_EQ(std::string(list.GetItemText(list.GetCount() - 1)), "three");
}

// The console moved to a list of the same width and fewer rows (or more) draws its newest
// line, as it does after a change of width.
TEST_F(EditDialogTest, TheNewestLineIsDrawnAfterTheListChangesSize) {
    const sys::RECT tall{100, 50, 400, 400};
    const sys::RECT shorter{100, 50, 400, 200};
    const sys::RECT narrower{100, 50, 300, 400};
    for (const auto& [first, second] : {std::pair{tall, shorter}, std::pair{shorter, tall}, std::pair{tall, narrower}}) {
        // Sized to whole rows, as the console is.
        RecordingEditDialog dialog;
        MeasuringDC dc;
        dialog.SetAutoSize(1);
        dialog.PrepareInput(&dc);
        dialog.SetParent(&m_parent);
        dialog.MoveWindow(first);
        for (int i = 0; i < 40; ++i)
            dialog.AppendOutput(("line " + std::to_string(i)).c_str(), &dc);
        dialog.MoveWindow(second);
        dialog.Draw(&dc);
        EXPECT_NE(std::find(dc.m_drawn.begin(), dc.m_drawn.end(), "line 39 "), dc.m_drawn.end())
            << second.bottom << " " << second.right;
        dialog.SetParent(nullptr);
    }
}

TEST_F(EditDialogTest, ClickingAnEchoedLineCopiesTheCommand) {
    SListBox& list = *m_dialog.GetListBox();
    m_dialog.AppendOutput(">set gfx_fog 1", nullptr);
    m_dialog.AppendOutput("plain output", nullptr);
    const int echoed = list.GetCount() - 2;
    list.SetCurSel(echoed + 1);
    m_dialog.OnLButtonUp(0, 150, 60);
    EXPECT_EQ(Input(m_dialog), "");
    list.SetCurSel(echoed);
    m_dialog.OnLButtonUp(0, 150, 60);
    EXPECT_EQ(Input(m_dialog), "set gfx_fog 1");
    EXPECT_EQ(m_dialog.GetEditBox()->GetCaretPos(), 14);
}

class ConsoleTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string folder = tarvex::test::MakeScratchFolder("Console");
        sys::profile::SetFile(folder + "/profile.ini");
        std::filesystem::current_path(folder);
        m_hub = std::make_unique<SGameObjects>();
        m_console = std::make_unique<SCommandDialog>(m_hub.get());
    }
    tarvex::test::TestEnvironmentGuard m_guard;
    std::unique_ptr<SGameObjects> m_hub;
    std::unique_ptr<SCommandDialog> m_console;
};

TEST_F(ConsoleTest, SubmitRunsTheLineAndEchoesItOnce) {
    m_console->OnSubmit("set game_viewsize 2");
    EXPECT_EQ(m_hub->m_pConfig->m_pSystem->m_iViewSize, 2);
    EXPECT_EQ(m_console->GetPendingCount(), 1);
    m_console->AppendOutput("", nullptr);
    m_console->OnSubmit("");
    EXPECT_EQ(m_console->GetPendingCount(), 1);
    // A command that answers adds its answer as a second entry.
    SString answer;
    m_hub->m_pInterpreter->ExecuteLine(SString("list"), answer);
    ASSERT_FALSE(answer.IsEmpty());
    m_console->OnSubmit("list");
    EXPECT_EQ(m_console->GetPendingCount(), 3);
}

// A click reaches the output through the window's own routing, as the modal loop sends it:
// the line is copied into the input and the console stays open, wherever the click lands.
TEST_F(ConsoleTest, ClickingAnOutputLineThroughTheRoutingCopiesItAndKeepsTheConsoleOpen) {
    SWindow parent;
    parent.MoveWindow(sys::RECT{0, 0, 640, 480});
    m_console->SetParent(&parent);
    m_console->MoveWindow(sys::RECT{100, 50, 400, 200});
    m_console->AppendOutput(">set gfx_fog 1", nullptr);
    SListBox& list = *m_console->GetListBox();
    const sys::RECT rcList = list.GetWindowRect();
    const sys::RECT rcEdit = m_console->GetEditBox()->GetWindowRect();
    const auto click = [&](int x, int y) {
        m_console->SendMessage(sys::WM_LBUTTONDOWN, 0, sys::MAKELPARAM(x, y));
        list.SetCurSel(list.GetCount() - 1);
        m_console->SendMessage(sys::WM_LBUTTONUP, 0, sys::MAKELPARAM(x, y));
    };
    click((rcList.left + rcList.right) / 2, rcList.bottom - 2);
    EXPECT_FALSE(m_console->IsDone());
    EXPECT_EQ(Input(*m_console), "set gfx_fog 1");
    click((rcEdit.left + rcEdit.right) / 2, (rcEdit.top + rcEdit.bottom) / 2);
    EXPECT_FALSE(m_console->IsDone());
    m_console->SetParent(nullptr);
}

TEST_F(ConsoleTest, F2EndsTheRunWithOne) {
    m_console->OnKeyDown(sys::VK_F2, 1, 0);
    EXPECT_TRUE(m_console->IsDone());
    EXPECT_EQ(m_console->GetResult(), 1);
    EXPECT_EQ(m_console->GetHistoryIndex(), -1);  // the key also reached the text entry
}

// A list that queues more of itself, whether by its steps or by a command file its step runs,
// ends at the queue's bound and is said once, in the console window too; what waited behind it
// runs, the lines of the file after the one that met the bound queue nothing more of it, and
// what a line of such a file pressed of the library's commands is let go.
TEST_F(ConsoleTest, AListThatQueuesItselfEndsOnceAndTheConsoleSaysSo) {
    SMsgHandler handler(m_hub.get());
    m_hub->m_pMsgHandler = &handler;
    handler.CreateConsole();
    m_hub->m_pGameItems->m_pCommands->SetOrAppend("fire", "0", 0);  // held while pressed
    std::vector<std::string> sent;
    m_hub->m_pInput->SetCommandExecutor([&](const char* text) {
        sent.emplace_back(text);
        SString response;
        m_hub->m_pInterpreter->ExecuteLine(SString(text), response);
    });
    std::ofstream("again.cfg") << "dbl\ndbl\ndbl\ndbl\n";
    std::ofstream("press.cfg") << "+fire\ndbl\ndbl\n";
    const char* const rows[] = {"alias dbl \"dbl once;dbl twice\"", "alias dbl \"exec again.cfg\"",
                                "alias dbl \"exec press.cfg\""};
    for (const char* row : rows) {
        SCOPED_TRACE(row);
        sent.clear();
        const std::string made = "made" + std::to_string(&row - rows);
        SString out;
        for (const std::string& line : {"alias later \"wait 20;alias " + made + " jump\"", std::string("later"),
                                        std::string(row), std::string("dbl")})
            m_hub->m_pInterpreter->ExecuteLine(SString(line.c_str()), out);
        const int said = handler.GetConsole()->GetPendingCount();
        for (int frame = 0; frame < 60; ++frame) {
            sys::time::AdvanceFake(5);
            m_hub->m_pInput->Update();
        }
        EXPECT_GE(m_hub->m_pInput->FindCommand(made.c_str()), 0);
        EXPECT_EQ(m_hub->m_pInput->GetQueuedStepCount(), 0);
        EXPECT_EQ(handler.GetConsole()->GetPendingCount(), said + 1);
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "-fire"), row == rows[2] ? 1 : 0);
        sys::time::AdvanceFake(SInputObj::kNoticeRepeatMs);
    }
    m_hub->m_pMsgHandler = nullptr;
}

}  // namespace
