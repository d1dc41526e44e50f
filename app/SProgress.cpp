#include "app/SProgress.h"

SProgress::~SProgress() {
    if (m_hDialog != nullptr)
        sys::window::DestroyProgressDialog(m_hDialog);
}

void SProgress::Update(int position) {
    if (m_hDialog != nullptr)
        sys::window::SendProgressMessage(m_hDialog, sys::window::PBM_SETPOS, static_cast<sys::WPARAM>(position), 0);
}
