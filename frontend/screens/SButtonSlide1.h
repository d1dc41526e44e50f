#pragma once

#include "frontend/screens/SButtonSlide.h"

// The slide of an option dialog: the dialog's layout comes in from the right of the 640-pixel
// screen and its controls follow it to their places. Shares the page slide's members and
// exclusion list and replaces its start and step. Owned by the dialog (STransparantDialog).
class SButtonSlide1 : public SButtonSlide {
public:
    static constexpr int32_t kScreenWidth = 640;

    // Only sliding in is ever asked for; an outward start is treated the same way.
    void Start(int nDirection) override;
    int Step() override;
};
