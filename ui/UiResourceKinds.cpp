#include "ui/UiResourceKinds.h"

#include "ui/SAnimation.h"
#include "ui/SButton.h"
#include "ui/SComboBox.h"
#include "ui/SDIB.h"
#include "ui/SDialog.h"
#include "ui/SEditBox.h"
#include "ui/SFont.h"
#include "ui/SListBox.h"
#include "ui/SListCtrl.h"
#include "ui/SMultiImage.h"
#include "ui/SScreen.h"
#include "ui/SScrollBar.h"
#include "ui/SSlider.h"
#include "ui/SSprite.h"
#include "ui/STextCtrl.h"

void RegisterUiResourceKinds() {
    static bool s_bDone = false;
    if (s_bDone)
        return;
    s_bDone = true;
    RegisterImageResourceKinds();
    RegisterFontResourceKind();
    RegisterSpriteResourceKind();
    RegisterAnimationResourceKind();
    RegisterMultiImageResourceKind();
    RegisterScreenResourceKind();
    RegisterDialogResourceKind();
    RegisterButtonResourceKind();
    RegisterComboBoxResourceKind();
    RegisterEditBoxResourceKind();
    RegisterListBoxResourceKind();
    RegisterListCtrlResourceKind();
    RegisterScrollBarResourceKind();
    RegisterSliderResourceKind();
    RegisterTextCtrlResourceKind();
}
