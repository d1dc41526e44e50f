#include "sys/window/headless/headless_paint.h"

#include "sys/window/paint_core.h"

namespace sys::window::headless {

std::vector<PictureShown> PicturesShown() { return detail::Paint().shown; }

std::vector<uint32_t> ShownPicture() { return detail::Paint().shownPicture; }

std::vector<ProgressDialogShown> ProgressDialogs() { return detail::Paint().dialogs; }

std::vector<HCURSOR> PointerShapes() { return detail::Paint().shapes; }

}  // namespace sys::window::headless
