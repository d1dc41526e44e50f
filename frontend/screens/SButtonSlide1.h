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
    // Puts the window and its children that are still under way at their resting places and
    // ends the slide. A dialog does this before it gives its layout back to the catalog, so that
    // the next dialog on that layout does not find it half-way in.
    void Settle();

private:
    // Where the window stood when the children's places were taken.
    int32_t m_iWindowOrigin = 0;
};
