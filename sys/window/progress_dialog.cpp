#include "sys/window/progress_dialog.h"

#include <algorithm>

#include "sys/gdi/gdi.h"
#include "sys/window/paint_core.h"
#include "sys/window/window_core.h"

// The progress dialog, drawn by us in the colours of a plain system dialog: a dark title bar,
// a grey face with the text and a sunken bar that fills from the left.
namespace sys::window {

namespace {

using detail::OpenProgressDialog;
using detail::Paint;

constexpr int kWidth = 360;
constexpr int kHeight = 112;
constexpr int kTitleHeight = 20;
constexpr int kMargin = 12;
constexpr int kBarHeight = 16;

constexpr COLORREF kTitleColour = RGB(0, 0, 128);
constexpr COLORREF kTitleText = RGB(255, 255, 255);
constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kShadow = RGB(64, 64, 64);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kBarBack = RGB(255, 255, 255);
constexpr COLORREF kBarFill = RGB(0, 0, 128);

HPROGRESSDLG HandleOf(const OpenProgressDialog& dialog) {
    return reinterpret_cast<HPROGRESSDLG>(static_cast<uintptr_t>(dialog.serial));
}

OpenProgressDialog* Find(HPROGRESSDLG handle) {
    auto& dialog = Paint().dialog;
    return dialog && handle != nullptr && HandleOf(*dialog) == handle ? &*dialog : nullptr;
}

void Fill(sys::HDC dc, const RECT& rect, COLORREF colour) {
    const sys::HBRUSH brush = sys::gdi::CreateSolidBrush(colour);
    sys::gdi::FillRect(dc, rect, brush);
    sys::gdi::DeleteObject(brush);
}

void Frame(sys::HDC dc, const RECT& rect, COLORREF colour) {
    const sys::HBRUSH brush = sys::gdi::CreateSolidBrush(colour);
    sys::gdi::FrameRect(dc, rect, brush);
    sys::gdi::DeleteObject(brush);
}

// Copies a rectangle of the window's picture out of it or back into it.
void SwapUnder(OpenProgressDialog& dialog, bool save) {
    detail::PaintState& state = Paint();
    const RECT& r = dialog.rect;
    const int width = r.right - r.left;
    if (save) {
        dialog.under.resize(static_cast<size_t>(width) * static_cast<size_t>(r.bottom - r.top));
    }
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* row = state.picture.data() + static_cast<size_t>(y) * static_cast<size_t>(state.width) + r.left;
        uint32_t* kept = dialog.under.data() + static_cast<size_t>(y - r.top) * static_cast<size_t>(width);
        save ? std::copy(row, row + width, kept) : std::copy(kept, kept + width, row);
    }
}

void Draw(const OpenProgressDialog& dialog) {
    const sys::HDC dc = detail::PictureDC();
    if (dc == nullptr) {
        return;
    }
    const RECT& r = dialog.rect;
    Fill(dc, r, kFace);
    Frame(dc, r, kShadow);
    Fill(dc, RECT{r.left + 1, r.top + 1, r.right - 1, r.top + kTitleHeight}, kTitleColour);
    sys::gdi::SetBkMode(dc, sys::TRANSPARENT);
    sys::gdi::SetTextColor(dc, kTitleText);
    sys::gdi::TextOut(dc, r.left + 6, r.top + (kTitleHeight - sys::gdi::kFontCellHeight) / 2, dialog.title.c_str(),
                      -1);
    sys::gdi::SetTextColor(dc, kText);
    RECT text{r.left + kMargin, r.top + kTitleHeight + 8, r.right - kMargin, r.bottom - kMargin - kBarHeight - 4};
    sys::gdi::DrawText(dc, dialog.text.c_str(), -1, &text, sys::DT_WORDBREAK | sys::DT_NOPREFIX);

    const RECT bar{r.left + kMargin, r.bottom - kMargin - kBarHeight, r.right - kMargin, r.bottom - kMargin};
    Fill(dc, bar, kBarBack);
    Frame(dc, bar, kShadow);
    const int inner = bar.right - bar.left - 4;
    const int filled = inner * (dialog.position - dialog.low) / std::max(1, dialog.high - dialog.low);
    if (filled > 0) {
        Fill(dc, RECT{bar.left + 2, bar.top + 2, bar.left + 2 + filled, bar.bottom - 2}, kBarFill);
    }
    sys::gdi::DeleteDC(dc);
    detail::ShowPicture();
}

headless::ProgressDialogShown& RecordOf(const OpenProgressDialog& dialog) {
    return Paint().dialogs[dialog.record];
}

}  // namespace

HPROGRESSDLG CreateProgressDialog(HWND owner, const std::string& title, const std::string& text) {
    detail::PaintState& state = Paint();
    if (state.dialog) {
        return nullptr;
    }
    OpenProgressDialog dialog;
    dialog.serial = state.nextDialogSerial++;
    dialog.title = title;
    dialog.text = text;
    dialog.record = state.dialogs.size();
    state.dialogs.push_back(headless::ProgressDialogShown{title, text, dialog.low, dialog.high, {}, true});
    if (detail::Find(owner) != nullptr && owner == GetMainWindow() && detail::FitPicture()) {
        const int width = std::min(kWidth, state.width);
        const int height = std::min(kHeight, state.height);
        const int left = (state.width - width) / 2;
        const int top = (state.height - height) / 2;
        dialog.rect = RECT{left, top, left + width, top + height};
        SwapUnder(dialog, true);
    }
    state.dialog = std::move(dialog);
    if (state.dialog->rect.right > state.dialog->rect.left) {
        Draw(*state.dialog);
    }
    return HandleOf(*state.dialog);
}

LRESULT SendProgressMessage(HPROGRESSDLG handle, UINT message, WPARAM wParam, LPARAM lParam) {
    OpenProgressDialog* dialog = Find(handle);
    if (dialog == nullptr) {
        return 0;
    }
    LRESULT answer = 0;
    switch (message) {
    case PBM_SETRANGE: {
        answer = MAKELPARAM(dialog->low, dialog->high);
        dialog->low = LOWORD(static_cast<uint64_t>(lParam));
        dialog->high = std::max<int>(HIWORD(static_cast<uint64_t>(lParam)), dialog->low + 1);
        dialog->position = std::clamp(dialog->position, dialog->low, dialog->high);
        RecordOf(*dialog).low = dialog->low;
        RecordOf(*dialog).high = dialog->high;
        break;
    }
    case PBM_SETPOS:
        answer = dialog->position;
        dialog->position = std::clamp(static_cast<int>(static_cast<int16_t>(LOWORD(wParam))), dialog->low,
                                      dialog->high);
        RecordOf(*dialog).positions.push_back(dialog->position);
        break;
    default:
        return 0;
    }
    // The picture may have been resized by someone else's context since; draw only on the one
    // the dialog saved from.
    detail::PaintState& state = Paint();
    if (dialog->rect.right > dialog->rect.left && dialog->rect.right <= state.width &&
        dialog->rect.bottom <= state.height) {
        Draw(*dialog);
    }
    return answer;
}

bool DestroyProgressDialog(HPROGRESSDLG handle) {
    OpenProgressDialog* dialog = Find(handle);
    if (dialog == nullptr) {
        return false;
    }
    detail::PaintState& state = Paint();
    RecordOf(*dialog).open = false;
    if (dialog->rect.right > dialog->rect.left && dialog->rect.right <= state.width &&
        dialog->rect.bottom <= state.height &&
        dialog->under.size() == static_cast<size_t>(dialog->rect.right - dialog->rect.left) *
                                    static_cast<size_t>(dialog->rect.bottom - dialog->rect.top)) {
        SwapUnder(*dialog, false);
        detail::ShowPicture();
    }
    state.dialog.reset();
    return true;
}

}  // namespace sys::window
