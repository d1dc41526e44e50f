#include "core/SResource.h"

#include "sys/classlib/CArchive.h"

IMPLEMENT_SERIAL(SResource, CObject, 1)
IMPLEMENT_DYNAMIC(SResourceVisitor, CObject)

namespace {

struct KindRow {
    bool hasClass;
    const char* folder;
    const char* extension;
};

// Indexed by kind code. The folder names are the ones the data's folders carry.
constexpr KindRow kKindTable[kResourceKindCount] = {
    {false, "", ""},                // 0
    {true, "Images", "bmp"},        // 1  SDIB
    {true, "Sounds", "wav"},        // 2  SWave
    {true, "Sprites", "spr"},       // 3  SSprite
    {true, "Meshes", "msh"},        // 4  SMesh
    {true, "Textures", "tex"},      // 5  STexture
    {false, "Actors", ""},          // 6
    {false, "Surfaces", ""},        // 7
    {true, "Animations", ""},       // 8  SAnimation
    {true, "Buttons", "but"},       // 9  SButton
    {true, "Combo Boxes", ""},      // 10 SComboBox
    {true, "Dialogs", "dlg"},       // 11 SDialog
    {true, "Edit Boxes", ""},       // 12 SEditBox
    {true, "List Boxes", ""},       // 13 SListBox
    {true, "Screens", "scr"},       // 14 SScreen
    {false, "", ""},                // 15
    {false, "", ""},                // 16
    {true, "Fonts", "fnt"},         // 17 SFont
    {true, "Texts", ""},            // 18 STextCtrl
    {true, "Models", "mod"},        // 19 SModel
    {true, "Sound Emitters", "sem"},  // 20 SSoundEmitter
    {true, "SSM Loaders", ""},      // 21 SSMLoader
    {true, "File Handlers", ""},    // 22 SFileHandler
    {true, "MultiImages", ""},      // 23 SMultiImage
    {true, "Texture2s", ""},        // 24 STextureHandler
    {true, "", ""},                 // 25 SListCtrl
    {true, "Sliders", ""},          // 26 SSlider
    {true, "Scrollbars", ""},       // 27 SScrollBar
};

SResourceGoneHook s_pGoneHook = nullptr;

}  // namespace

// ---- kind table ---------------------------------------------------------------------------

bool SResourceKinds::HasClass(int nKind) { return IsInTable(nKind) && kKindTable[nKind].hasClass; }

const char* SResourceKinds::GetFolder(int nKind) { return IsInTable(nKind) ? kKindTable[nKind].folder : ""; }

const char* SResourceKinds::GetExtension(int nKind) {
    return IsInTable(nKind) ? kKindTable[nKind].extension : "";
}

// ---- SResource ----------------------------------------------------------------------------

SResource::SResource() : m_pResArray(new SResourceArray) {}

SResource::SResource(const SResource& other)
    : CObject(other),
      m_dwSchema(other.m_dwSchema),
      m_pResArray(new SResourceArray),
      m_dwContext(other.m_dwContext),
      m_dwWord2(other.m_dwWord2),
      m_rcSource(other.m_rcSource) {
    m_pResArray->Append(*other.m_pResArray);
}

SResource::~SResource() {
    if (const SResourceGoneHook pHook = s_pGoneHook)
        pHook(this);
    delete m_pResArray;
}

void SetResourceGoneHook(SResourceGoneHook pHook) { s_pGoneHook = pHook; }

void SResource::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_dwSchema;
    else
        ar >> m_dwSchema;
}

void SResource::Unload() {}

SResource* SResource::Clone(SResource* pTarget) {
    if (pTarget == nullptr)
        pTarget = new SResource;
    pTarget->m_dwSchema = m_dwSchema;
    pTarget->m_dwContext = m_dwContext;
    pTarget->m_dwWord2 = m_dwWord2;
    pTarget->m_rcSource = m_rcSource;
    return pTarget;
}

void SResource::ReservedHook1(uint32_t) {}

void SResource::ReservedHook2(uint32_t, uint32_t) {}

bool SResource::RemoveReference(SResource* pResource) {
    const auto* pSet = dynamic_cast<const SResourceSet*>(pResource);
    for (int i = 0; i < m_pResArray->GetSize(); ++i) {
        SResource* pEntry = m_pResArray->GetAt(i);
        if (pEntry == pResource || (pSet != nullptr && pEntry != nullptr && pSet->Holds(pEntry)))
            m_pResArray->SetAt(i, nullptr);
    }
    return true;
}

bool SResource::LoadFromMemory(CStringArray*, uintptr_t) { return true; }

bool SResource::LoadFromFile(const CString&, uintptr_t) { return true; }

int SResource::BlitTo(SDXSurface*) { return 1; }

int SResource::GetPaletteEntries(int, int, sys::PALETTEENTRY*) { return 1; }

int SResource::GetColorTable(int, int, sys::RGBQUAD*) { return 1; }

int32_t SResource::GetWidth() { return 0; }

int32_t SResource::GetHeight() { return 0; }

bool SResource::LoadFromCFile(CFile*) { return true; }

int32_t SResource::Accept(SResourceVisitor*) { return 0; }

int SResource::GetRect(sys::RECT* pRect) const {
    if (pRect != nullptr)
        *pRect = m_rcSource;
    return 1;
}

// ---- SResourceVisitor ---------------------------------------------------------------------

int32_t SResourceVisitor::VisitFileHandler(SFileHandler*) { return 0; }
int32_t SResourceVisitor::VisitSMLoader(SSMLoader*) { return 0; }
int32_t SResourceVisitor::VisitMesh(SMesh*) { return 0; }
int32_t SResourceVisitor::VisitWave(SWave*) { return 0; }
int32_t SResourceVisitor::VisitModel(SModel*) { return 0; }
int32_t SResourceVisitor::VisitFrame(SFrame*) { return 0; }
int32_t SResourceVisitor::VisitAnimation(SAnimation*) { return 0; }
int32_t SResourceVisitor::VisitButton(SButton*) { return 0; }
int32_t SResourceVisitor::VisitComboBox(SComboBox*) { return 0; }
int32_t SResourceVisitor::VisitDialog(SDialog*) { return 0; }
int32_t SResourceVisitor::VisitDIB(SDIB*) { return 0; }
int32_t SResourceVisitor::VisitEditBox(SEditBox*) { return 0; }
int32_t SResourceVisitor::VisitListBox(SListBox*) { return 0; }
int32_t SResourceVisitor::VisitMultiImage(SMultiImage*) { return 0; }
int32_t SResourceVisitor::VisitScreen(SScreen*) { return 0; }
int32_t SResourceVisitor::VisitSprite(SSprite*) { return 0; }
int32_t SResourceVisitor::VisitTextCtrl(STextCtrl*) { return 0; }
int32_t SResourceVisitor::VisitTexture(STexture*) { return 0; }
int32_t SResourceVisitor::VisitReserved(SResource*) { return 0; }
int32_t SResourceVisitor::VisitSoundEmitter(SSoundEmitter*) { return 0; }
int32_t SResourceVisitor::VisitFont(SFont*) { return 0; }
int32_t SResourceVisitor::VisitSlider(SSlider*) { return 0; }
int32_t SResourceVisitor::VisitScrollBar(SScrollBar*) { return 0; }
int32_t SResourceVisitor::VisitListCtrl(SListCtrl*) { return 0; }
int32_t SResourceVisitor::VisitTextureHandler(STextureHandler*) { return 0; }
