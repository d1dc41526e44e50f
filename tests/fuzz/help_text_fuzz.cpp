// Fuzz target of the help text: any bytes as "help.sss" in the base folder, read by the help
// page on each visit into its text control, scrolled line by line as far as the first byte asks
// and drawn with a font (the sheet is never looked for), the page left and entered again.
// The page must show the bytes up to the first zero with CR LF read as LF; nothing may crash,
// leak or read past the text.
//
// The page reads at most 1 MB, which no input of a few kilobytes reaches: an input whose first
// byte has the top bit set is written as the rest after its second byte, repeated to the limit
// less 128 bytes plus the second byte, so the cut may fall anywhere near the end. Such a text
// is only read and shown, not drawn: the text control lays out its whole text at every draw,
// seconds for a megabyte here.
//
// The seeds in corpus/help_text_fuzz/ are the demo's help text and texts of the demo's other
// pages, written by the disabled test FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds in tests/tools,
// and the help text repeated to the limit, checked by ReaderSeedCorpusTest there.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/SGameObjects.h"
#include "frontend/screens/SHelpScreen.h"
#include "sys/profile.h"
#include "tests/fuzz/FuzzSupport.h"
#include "ui/SDC.h"
#include "ui/SFont.h"
#include "ui/widgets/SScrollBar.h"
#include "ui/widgets/STextCtrl.h"

namespace {

// The help page with a layout of its own: the text control, the scroll bar and the two arrows
// where the demo's layout has them, instead of one fetched from a catalog.
class FuzzHelpPage : public SHelpScreen {
public:
    FuzzHelpPage() {
        m_pLayout = new SScreen;
        m_pLayout->Create(nullptr, "", 0, sys::RECT{0, 0, 640, 480}, nullptr, 0, nullptr);
        m_pText = new STextCtrl;
        m_pText->CreateText("", 0, sys::RECT{200, 10, 600, 400}, m_pLayout, kTextControl);
        m_font.SetColumns(16);
        m_pText->SetFont(&m_font);
        (new SScrollBar)->CreateScrollBar(SScrollBar::kStyleVertical, sys::RECT{610, 10, 630, 400}, m_pLayout,
                                          kScrollBar);
    }
    STextCtrl* m_pText = nullptr;
    SFont m_font;
};

// What the page must show: the bytes up to the first zero, within the size limit, CR LF as LF.
std::string Expected(const std::string& file) {
    const std::string text = file.substr(0, SHelpScreen::kMaxTextBytes);
    std::string shown;
    for (size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
        if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n')
            shown += text[i];
    }
    return shown;
}

// The bytes over and over, cut at `length`; nothing without bytes.
std::string Repeated(const uint8_t* data, size_t size, size_t length) {
    std::string text;
    if (size == 0)
        return text;
    text.reserve(length);
    while (text.size() < length)
        text.append(reinterpret_cast<const char*>(data), std::min(size, length - text.size()));
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzHelpPage* s_pPage = [] {
        const std::string folder = fuzzsupport::ScratchFolder("help_text_fuzz");
        sys::profile::SetFile(folder + "/profile.ini");
        SGameObjects::Instance()->m_sBasePath = folder.c_str();
        return new FuzzHelpPage;
    }();
    const bool repeated = size >= 2 && (data[0] & 0x80) != 0;
    const std::string file = repeated ? Repeated(data + 2, size - 2, SHelpScreen::kMaxTextBytes - 128 + data[1])
                                : std::string(reinterpret_cast<const char*>(data), size);
    fuzzsupport::WriteFile(fuzzsupport::ScratchFolder("help_text_fuzz") + "/help.sss",
                           reinterpret_cast<const uint8_t*>(file.data()), file.size());

    FuzzHelpPage& page = *s_pPage;
    page.Activate();
    fuzzsupport::Check(Expected(file) == page.GetText());
    CString shown;
    fuzzsupport::Check(std::strcmp(page.m_pText->GetText(shown), page.GetText()) == 0);

    if (repeated) {
        page.Deactivate();
        return 0;
    }
    SDC dc;
    const int nLines = size > 0 ? data[0] % 64 : 0;
    for (int i = 0; i <= nLines; ++i) {
        page.m_pText->Draw(&dc);
        page.OnNotify(SHelpScreen::kLineDownButton, SWindow::kNotifyClick);
    }
    page.OnNotify(SHelpScreen::kLineUpButton, SWindow::kNotifyClick);
    page.m_pText->Draw(&dc);
    page.Deactivate();
    return 0;
}
