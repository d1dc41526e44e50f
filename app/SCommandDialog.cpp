#include "app/SCommandDialog.h"

#include <string>

#include "app/SFrontEndHooks.h"
#include "app/SGameObjects.h"
#include "core/SCommandInterpreter.h"
#include "core/SString.h"

SCommandDialog::SCommandDialog(SGameObjects* hub) : m_pHub(hub) {
    // Echoed lines start with the input's prefix, so clicking one copies the command back.
    m_strText = kPrefix;
}

SCommandDialog::~SCommandDialog() = default;

void SCommandDialog::OnKeyDown(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) {
    if (nChar == kToggleKey)
        EndDialog(1);
    SEditDialog::OnKeyDown(nChar, nRepCnt, nFlags);
}

int SCommandDialog::DoModal(SDC* pDC) { return SEditDialog::DoModal(pDC); }

void SCommandDialog::OnSubmit(const char* pszText) {
    if (pszText == nullptr || *pszText == '\0')
        return;
    SString response;
    if (m_pHub != nullptr && m_pHub->m_pInterpreter != nullptr)
        m_pHub->m_pInterpreter->ExecuteLine(SString(pszText), response);
    const std::string echo = std::string(static_cast<const char*>(GetCommandText())) + pszText;
    QueueOutput(echo.c_str());
    if (!response.IsEmpty())
        QueueOutput(response.GetString());
}

void SCommandDialog::CloseConsole() {
    EndDialog(1);
    SFrontEndHooks::Installed().RedrawScreen(m_pHub);
}
