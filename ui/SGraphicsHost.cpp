#include "ui/SGraphicsHost.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/SCatalog.h"
#include "dx/display/SGraphics.h"
#include "sys/classlib/CString.h"
#include "sys/window/dialogs.h"
#include "ui/SDialog.h"
#include "ui/SFont.h"
#include "ui/layout/SLayout.h"
#include "ui/SSprite.h"
#include "ui/SWindow.h"
#include "ui/widgets/STextCtrl.h"

namespace {

constexpr const char* kCaption = "Tarvex";
constexpr const char* kDialogGroup = "Generic";
constexpr uint32_t kTextChild = 100;
constexpr uint32_t kEditChild = 110;
constexpr int kFontKind = 17;

// A message box never grows past the interface's height less this margin.
constexpr int kTallestBox = 480 - 16;

// The height the text needs in the text child's width, in the child's font.
int NeededHeight(SWindow* textChild, const char* text) {
    const sys::RECT rc = textChild->GetWindowRect();
    const auto* control = dynamic_cast<const STextCtrl*>(textChild);
    const uint32_t format = (control != nullptr ? control->GetTextFormat() : sys::DT_WORDBREAK) | sys::DT_CALCRECT;
    sys::RECT measured{rc.left, rc.top, rc.right, rc.top};
    if (SFont* font = textChild->GetFont()) {
        font->DrawText(text, &measured, format, nullptr);
    } else if (SDC* dc = SWindow::GetSourceDC()) {
        dc->DrawText(text, measured, format);
    } else {
        return rc.bottom - rc.top;
    }
    return measured.bottom - measured.top;
}

// Lengthens the text child by delta and moves what lies below it (the buttons) and the bottom
// of the box with it; a negative delta undoes it.
void StretchBelowText(SWindow* textChild, int delta) {
    SWindow* box = textChild->GetParent();
    if (box == nullptr || delta == 0)
        return;
    const sys::RECT rcText = textChild->GetWindowRect();
    for (POSITION pos = box->GetChildren()->GetHeadPosition(); pos != nullptr;) {
        SWindow* child = box->GetChildren()->GetNext(pos);
        const sys::RECT rc = child->GetWindowRect();
        if (child != textChild && rc.top >= rcText.bottom)
            child->MoveWindow(sys::RECT{rc.left, rc.top + delta, rc.right, rc.bottom + delta});
    }
    textChild->MoveWindow(sys::RECT{rcText.left, rcText.top, rcText.right, rcText.bottom + delta});
    const sys::RECT rcBox = box->GetWindowRect();
    box->MoveWindow(sys::RECT{rcBox.left, rcBox.top, rcBox.right, rcBox.bottom + delta});
}

// Grows the box so that every line of the text shows; answers the growth for StretchBelowText
// to take back, as the layout goes back to the catalog for the next box. A text that needs the
// growth keeps as much room above what lies below it (the buttons, else the box's edge) as the
// box gives above the text, so its last line does not sit on the buttons.
int FitBoxToText(SWindow* textChild, const char* text) {
    SWindow* box = textChild->GetParent();
    if (box == nullptr || text == nullptr)
        return 0;
    const sys::RECT rcText = textChild->GetWindowRect();
    const sys::RECT rcBox = box->GetWindowRect();
    const int needed = NeededHeight(textChild, text);
    if (needed <= rcText.bottom - rcText.top)
        return 0;
    int below = rcBox.bottom;
    for (POSITION pos = box->GetChildren()->GetHeadPosition(); pos != nullptr;) {
        const SWindow* child = box->GetChildren()->GetNext(pos);
        if (child != textChild && child->GetWindowRect().top >= rcText.bottom)
            below = std::min(below, child->GetWindowRect().top);
    }
    const int roomAbove = std::max(0, rcText.top - rcBox.top);
    const int delta = std::min(std::max(needed - (rcText.bottom - rcText.top), rcText.top + needed + roomAbove - below),
                               kTallestBox - (rcBox.bottom - rcBox.top));
    if (delta <= 0)
        return 0;
    StretchBelowText(textChild, delta);
    return delta;
}

enum class OwnerKind { Sprite, Font, Layout, SurfaceDC };

// One registered object as the display manager sees it. The object stays its registrar's.
class OwnerAdapter : public SSurfaceOwner {
public:
    OwnerAdapter(OwnerKind kind, void* target) : m_kind(kind), m_pTarget(target) {}

    void ReleaseSurfaces() override {
        switch (m_kind) {
            case OwnerKind::Sprite:
                static_cast<SSprite*>(m_pTarget)->DropSurface();
                break;
            case OwnerKind::Font:
                static_cast<SFont*>(m_pTarget)->ReleaseSurface();
                break;
            case OwnerKind::SurfaceDC:
                static_cast<SSurfaceDC*>(m_pTarget)->DropSurface();
                break;
            case OwnerKind::Layout:
                static_cast<SLayout*>(m_pTarget)->ReleaseSurfaces();
                break;
        }
    }
    int RestoreSurfaces(SGraphics* display) override {
        switch (m_kind) {
            case OwnerKind::Sprite:
                return static_cast<SSprite*>(m_pTarget)->RestoreSurfaces(display);
            case OwnerKind::Font:
                return static_cast<SFont*>(m_pTarget)->Rebuild(display) ? 1 : 0;
            case OwnerKind::SurfaceDC:
                return static_cast<SSurfaceDC*>(m_pTarget)->RebuildSurface(display);
            case OwnerKind::Layout:
                return static_cast<SLayout*>(m_pTarget)->RestoreSurfaces(display);
        }
        return 1;
    }
    int RebuildSurfaces(SGraphics* display) override {
        return m_kind == OwnerKind::Sprite ? static_cast<SSprite*>(m_pTarget)->RebuildSurface(display) : 0;
    }

    bool Is(OwnerKind kind, const void* target) const { return m_kind == kind && m_pTarget == target; }
    OwnerKind Kind() const { return m_kind; }

private:
    OwnerKind m_kind;
    void* m_pTarget;
};

void AddToRegistry(SGraphics* graphics, OwnerKind kind, SSurfaceOwner* owner) {
    switch (kind) {
        case OwnerKind::Sprite:
            graphics->AddSprite(owner);
            break;
        case OwnerKind::Font:
            graphics->AddFont(owner);
            break;
        case OwnerKind::Layout:
            graphics->AddLayout(owner);
            break;
        case OwnerKind::SurfaceDC:
            graphics->AddSurfaceDC(owner);
            break;
    }
}

void RemoveFromRegistry(SGraphics* graphics, OwnerKind kind, SSurfaceOwner* owner) {
    switch (kind) {
        case OwnerKind::Sprite:
            graphics->RemoveSprite(owner);
            break;
        case OwnerKind::Font:
            graphics->RemoveFont(owner);
            break;
        case OwnerKind::Layout:
            graphics->RemoveLayout(owner);
            break;
        case OwnerKind::SurfaceDC:
            graphics->RemoveSurfaceDC(owner);
            break;
    }
}

}  // namespace

SGraphicsHost::SGraphicsHost(SGraphics* graphics) : m_pGraphics(graphics) {}

SGraphicsHost::~SGraphicsHost() {
    Uninstall();
    for (auto& owner : m_Owners) {
        RemoveFromRegistry(m_pGraphics, static_cast<OwnerAdapter*>(owner.get())->Kind(), owner.get());
    }
    m_Owners.clear();
    DetachInterfaceSurfaces();
}

void SGraphicsHost::Install() {
    SDisplayHost::SetInstance(this);
    SSurfaceDC::SetRegistry(this);
    m_pGraphics->SetClient(this);
}

void SGraphicsHost::Uninstall() {
    if (SDisplayHost::GetInstance() == this) {
        SDisplayHost::SetInstance(nullptr);
    }
    if (SSurfaceDC::GetRegistry() == this) {
        SSurfaceDC::SetRegistry(nullptr);
    }
    if (m_pGraphics->GetClient() == this) {
        m_pGraphics->SetClient(nullptr);
    }
}

// --- Display host ----------------------------------------------------------------------------

int SGraphicsHost::DialogIdle() { return m_pGraphics->DialogIdle(); }

int SGraphicsHost::RenderFrameWithoutCursor() { return m_pGraphics->RenderFrameWithoutCursor(); }

namespace {

void Register(SGraphics* graphics, std::vector<std::unique_ptr<SSurfaceOwner>>& owners, OwnerKind kind,
              void* target) {
    if (target == nullptr) {
        return;
    }
    owners.push_back(std::make_unique<OwnerAdapter>(kind, target));
    AddToRegistry(graphics, kind, owners.back().get());
}

void Unregister(SGraphics* graphics, std::vector<std::unique_ptr<SSurfaceOwner>>& owners, OwnerKind kind,
                const void* target) {
    for (auto it = owners.begin(); it != owners.end(); ++it) {
        if (static_cast<OwnerAdapter*>(it->get())->Is(kind, target)) {
            RemoveFromRegistry(graphics, kind, it->get());
            owners.erase(it);
            return;
        }
    }
}

}  // namespace

void SGraphicsHost::AddSprite(SSprite* pSprite) { Register(m_pGraphics, m_Owners, OwnerKind::Sprite, pSprite); }
void SGraphicsHost::RemoveSprite(SSprite* pSprite) { Unregister(m_pGraphics, m_Owners, OwnerKind::Sprite, pSprite); }
void SGraphicsHost::AddFont(SFont* pFont) { Register(m_pGraphics, m_Owners, OwnerKind::Font, pFont); }
void SGraphicsHost::RemoveFont(SFont* pFont) { Unregister(m_pGraphics, m_Owners, OwnerKind::Font, pFont); }
void SGraphicsHost::AddLayout(SLayout* pLayout) { Register(m_pGraphics, m_Owners, OwnerKind::Layout, pLayout); }
void SGraphicsHost::RemoveLayout(SLayout* pLayout) {
    Unregister(m_pGraphics, m_Owners, OwnerKind::Layout, pLayout);
}

// --- Surface-context registry ----------------------------------------------------------------

SDXDraw* SGraphicsHost::GetDisplay() { return m_pGraphics; }

void SGraphicsHost::AddSurfaceDC(SSurfaceDC* pDC) { Register(m_pGraphics, m_Owners, OwnerKind::SurfaceDC, pDC); }

void SGraphicsHost::RemoveSurfaceDC(SSurfaceDC* pDC) {
    Unregister(m_pGraphics, m_Owners, OwnerKind::SurfaceDC, pDC);
}

// --- Display client --------------------------------------------------------------------------

void SGraphicsHost::AttachInterfaceSurfaces(SDXSurface* source, SDXSurface* background) {
    DetachInterfaceSurfaces();
    m_pSourceDC = new SSurfaceDC(source, false);
    m_pBackgroundDC = new SSurfaceDC(background, false);
}

void SGraphicsHost::ReplaceBackgroundSurface(SDXSurface* background) {
    if (m_pBackgroundDC != nullptr) {
        m_pBackgroundDC->SetSurface(background);
    }
}

void SGraphicsHost::DetachInterfaceSurfaces() {
    // The window tree may still point at them; it must not draw through deleted contexts.
    if (SWindow::GetSourceDC() == m_pSourceDC) {
        SWindow::SetSourceDC(nullptr);
    }
    if (SWindow::GetGlobalBackdrop() == m_pBackgroundDC) {
        SWindow::SetGlobalBackdrop(nullptr);
    }
    // The back buffer goes with them; the context must not keep pointing at it.
    m_BackDC.SetSurface(nullptr);
    delete m_pSourceDC;
    m_pSourceDC = nullptr;
    delete m_pBackgroundDC;
    m_pBackgroundDC = nullptr;
}

void SGraphicsHost::BeginBackDC(SDXSurface* back) {
    if (back != nullptr) {
        m_BackDC.SetSurface(back);
    }
    // Without a default font the context keeps drawing with the font it had.
    m_pPreviousFont = m_pDefaultFont != nullptr ? m_BackDC.SelectFont(m_pDefaultFont) : m_BackDC.GetFont();
}

void SGraphicsHost::EndBackDC() { m_BackDC.SelectFont(m_pPreviousFont); }

void SGraphicsHost::DrawScreen() {
    if (m_pCurrentScreen != nullptr) {
        m_pCurrentScreen->Draw(&m_BackDC);
    }
}

void SGraphicsHost::UpdateScreen() {
    if (m_pCurrentScreen != nullptr) {
        m_pCurrentScreen->Update(reinterpret_cast<uintptr_t>(static_cast<SDC*>(&m_BackDC)));
    }
}

void SGraphicsHost::GiveScreenDefaultFont() {
    if (m_pCurrentScreen != nullptr) {
        m_pCurrentScreen->SetFont(m_pDefaultFont);
    }
}

void SGraphicsHost::DropDefaultFontCache() {
    if (m_pDefaultFont != nullptr) {
        m_pDefaultFont->ClearCache();
    }
}

void SGraphicsHost::SetDefaultFont(const CString& name, int spacing) {
    SCatalog* catalog = SWindow::GetResourceCatalog();
    if (m_pDefaultFont != nullptr) {
        RemoveFont(m_pDefaultFont);
        if (catalog != nullptr) {
            catalog->ReleaseResource(m_pDefaultFont);
        }
        m_pDefaultFont = nullptr;
    }
    if (!name.IsEmpty() && catalog != nullptr) {
        SResource* resource =
            catalog->GetResource(kFontKind, name, CString(), reinterpret_cast<uintptr_t>(static_cast<SDXDraw*>(m_pGraphics)));
        m_pDefaultFont = dynamic_cast<SFont*>(resource);
        if (m_pDefaultFont == nullptr && resource != nullptr) {
            catalog->ReleaseResource(resource);
        }
    }
    if (m_pDefaultFont != nullptr) {
        m_pDefaultFont->SetCharSpacing(spacing);
        AddFont(m_pDefaultFont);
    }
}

SSurfaceDC* SGraphicsHost::CreatePrimaryDC() {
    SDXSurface* primary = m_pGraphics->GetPrimary();
    return primary != nullptr ? new SSurfaceDC(primary, false) : nullptr;
}

// --- Dialogs ---------------------------------------------------------------------------------

int SGraphicsHost::RunModal(SDialog* dialog, SWindow* parent, const uint32_t* value, SWindow* textChild,
                            int grown) {
    if (value != nullptr && m_pDialogFactory != nullptr) {
        m_pDialogFactory->SetDialogValue(dialog, *value);
    }
    dialog->SetParent(parent);
    auto* context = new SSurfaceDC(m_pGraphics->GetBack(), false);
    dialog->SetIdleCallback(&SDisplayHost::DialogIdleStep);
    const int result = dialog->DoModal(context);
    if (textChild != nullptr) {
        StretchBelowText(textChild, -grown);
    }
    dialog->SetParent(nullptr);
    delete dialog;
    delete context;
    return result;
}

int SGraphicsHost::RunTextDialog(const char* layout, const char* text, SWindow* parent, const uint32_t* value) {
    const std::string question = std::string(layout) + ":" + (text != nullptr ? text : "");
    // Whatever runs while a question is open (the page behind is drawn and updated) must not
    // put the same question up again over it; that asking goes unanswered.
    if (std::find(m_OpenQuestions.begin(), m_OpenQuestions.end(), question) != m_OpenQuestions.end()) {
        return 0;
    }
    SDialog* dialog = m_pDialogFactory != nullptr ? m_pDialogFactory->CreateDialog(kDialogGroup, layout) : nullptr;
    if (dialog == nullptr) {
        return 0;
    }
    // A player who started the game from a terminal reads every message there too.
    std::fprintf(stderr, "%s\n", text != nullptr ? text : "");
    SWindow* child = dialog->FindDescendant(kTextChild);
    int grown = 0;
    if (child != nullptr) {
        child->SetText(text);
        grown = FitBoxToText(child, text);
    }
    m_OpenQuestions.push_back(question);
    const int result = RunModal(dialog, parent, value, child, grown);
    m_OpenQuestions.pop_back();
    return result;
}

int SGraphicsHost::MessageDialog(const char* text, int yesNo, SWindow* parent, uint32_t value) {
    return RunTextDialog(yesNo != 0 ? "YesNo" : "OK", text, parent, &value);
}

int SGraphicsHost::NoticeDialog(const char* text, int yesNo, SWindow* parent) {
    return RunTextDialog(yesNo != 0 ? "YesNo" : "OK", text, parent, nullptr);
}

int SGraphicsHost::PasswordDialog(const char* prompt, CString& text, SWindow* parent, uint32_t value) {
    SDialog* dialog = m_pDialogFactory != nullptr ? m_pDialogFactory->CreateDialog(kDialogGroup, "Password") : nullptr;
    if (dialog == nullptr) {
        sys::dialogs::MessageBox("can't create dialog - Generic:Password", kCaption, sys::MB_ICONINFORMATION);
        return 0;
    }
    if (m_pDialogFactory != nullptr) {
        m_pDialogFactory->SetDialogValue(dialog, value);
    }
    dialog->SetParent(parent);
    auto* context = new SSurfaceDC(m_pGraphics->GetBack(), false);
    dialog->SetIdleCallback(&SDisplayHost::DialogIdleStep);
    if (SWindow* child = dialog->FindDescendant(kTextChild)) {
        child->SetText(prompt);
    }
    SWindow* edit = dialog->FindDescendant(kEditChild);
    if (edit != nullptr) {
        edit->SetText(text);
        edit->SetFocus();
    }
    const int result = dialog->DoModal(context);
    if (result == 1 && edit != nullptr) {
        edit->GetText(text);
    }
    dialog->SetParent(nullptr);
    delete dialog;
    delete context;
    return result == 1 ? 1 : 0;
}
