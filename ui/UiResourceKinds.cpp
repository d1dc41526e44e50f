#include "ui/UiResourceKinds.h"

#include "ui/widgets/SAnimation.h"
#include "ui/widgets/SButton.h"
#include "ui/widgets/SComboBox.h"
#include "ui/SDIB.h"
#include "ui/SDialog.h"
#include "ui/widgets/SEditBox.h"
#include "ui/SFont.h"
#include "ui/widgets/SListBox.h"
#include "ui/widgets/SListCtrl.h"
#include "ui/widgets/SMultiImage.h"
#include "ui/SScreen.h"
#include "ui/widgets/SScrollBar.h"
#include "ui/widgets/SSlider.h"
#include "ui/SSprite.h"
#include "ui/widgets/STextCtrl.h"

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
