#pragma once

#include "sys/window/progress_dialog.h"

// Something a long task reports its position to. The base reports to nobody.
class SUpdatableObject {
public:
    virtual ~SUpdatableObject() = default;
    virtual void Update(int position) { (void)position; }
    virtual bool IsCancelled() const { return false; }
};

// The progress of the first-run benchmark, shown in the modeless progress dialog it owns:
// each position goes to the dialog's bar, and the dialog goes with this object. A null
// dialog (none could be made) reports to nobody.
class SProgress : public SUpdatableObject {
public:
    explicit SProgress(sys::window::HPROGRESSDLG dialog) : m_hDialog(dialog) {}
    ~SProgress() override;
    SProgress(const SProgress&) = delete;
    SProgress& operator=(const SProgress&) = delete;

    void Update(int position) override;

private:
    sys::window::HPROGRESSDLG m_hDialog;
};
