#include <algorithm>
#include <cstdlib>

#include "sys/gdi/gdi_core.h"
#include "sys/gdi/gdi.h"

// Shapes: filled and framed rectangles, outlined rectangles and lines.

namespace sys::gdi {

using namespace detail;

namespace {

// A painter for the whole surface of a context, in the colour given; merging only when asked.
Painter MakePainter(const DeviceContext& context, COLORREF colour, bool useMixMode) {
    const PixelSurface& surface = context.Surface();
    ColourMapper mapper(surface);
    Painter painter{surface, SurfaceRect(surface)};
    painter.value = mapper.Map(colour);
    painter.merge = useMixMode && context.mixMode == R2_MERGEPEN;
    return painter;
}

// Line arithmetic multiplies two 33-bit spans, so it is done in 128 bits.
using Wide = __int128;

int64_t FloorDiv(Wide a, Wide b) {
    const Wide q = a / b;
    return static_cast<int64_t>((a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q);
}

}  // namespace

bool FillRect(HDC dc, const RECT& rect, HBRUSH brushHandle) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const DeviceContext* context = FindContext(registry, dc);
    const auto* brush = static_cast<BrushObject*>(FindObject(registry, brushHandle, GdiObject::Kind::Brush));
    if (context == nullptr || brush == nullptr)
        return false;
    MakePainter(*context, brush->colour, false).Fill(rect);
    return true;
}

bool FrameRect(HDC dc, const RECT& rect, HBRUSH brushHandle) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const DeviceContext* context = FindContext(registry, dc);
    const auto* brush = static_cast<BrushObject*>(FindObject(registry, brushHandle, GdiObject::Kind::Brush));
    if (context == nullptr || brush == nullptr)
        return false;
    if (IsEmpty(rect))
        return true;
    const Painter painter = MakePainter(*context, brush->colour, false);
    painter.Span(rect.left, rect.right, rect.top);
    painter.Span(rect.left, rect.right, rect.bottom - 1);
    painter.Fill({rect.left, rect.top, rect.left + 1, rect.bottom});
    painter.Fill({rect.right - 1, rect.top, rect.right, rect.bottom});
    return true;
}

bool Rectangle(HDC dc, int left, int top, int right, int bottom) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const DeviceContext* context = FindContext(registry, dc);
    if (context == nullptr)
        return false;
    const RECT box{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    if (IsEmpty(box))
        return true;
    MakePainter(*context, context->brush->colour, true).Fill({box.left + 1, box.top + 1, box.right - 1, box.bottom - 1});
    const Painter pen = MakePainter(*context, context->pen->colour, true);
    pen.Span(box.left, box.right, box.top);
    if (box.bottom - 1 > box.top)
        pen.Span(box.left, box.right, box.bottom - 1);
    pen.Fill({box.left, box.top + 1, box.left + 1, box.bottom - 1});
    if (box.right - 1 > box.left)
        pen.Fill({box.right - 1, box.top + 1, box.right, box.bottom - 1});
    return true;
}

bool MoveToEx(HDC dc, int x, int y, POINT* previous) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    DeviceContext* context = FindContext(registry, dc);
    if (context == nullptr)
        return false;
    if (previous != nullptr)
        *previous = context->position;
    context->position = {x, y};
    return true;
}

bool LineTo(HDC dc, int x, int y) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    DeviceContext* context = FindContext(registry, dc);
    if (context == nullptr)
        return false;
    const Painter pen = MakePainter(*context, context->pen->colour, true);
    const int64_t x0 = context->position.x;
    const int64_t y0 = context->position.y;
    const int64_t dx = static_cast<int64_t>(x) - x0;
    const int64_t dy = static_cast<int64_t>(y) - y0;
    const int64_t steps = std::max(std::abs(dx), std::abs(dy));
    // Walk the longer axis one pixel at a time; the shorter one takes the nearest pixel (halves
    // round up), and the end point stays unpainted so joined lines touch without overlapping.
    // Only the steps whose long-axis coordinate lies on the surface are walked, so a line to a
    // far-away point costs no more than one across the surface.
    const bool alongX = std::abs(dx) >= std::abs(dy);
    const int64_t origin = alongX ? x0 : y0;
    const int64_t direction = (alongX ? dx : dy) < 0 ? -1 : 1;
    const int64_t low = alongX ? pen.clip.left : pen.clip.top;
    const int64_t high = alongX ? pen.clip.right : pen.clip.bottom;
    int64_t first = direction > 0 ? low - origin : origin - high + 1;
    int64_t last = direction > 0 ? high - origin : origin - low + 1;
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, steps);
    for (int64_t i = first; i < last; ++i) {
        const int64_t px = x0 + FloorDiv(Wide{2} * i * dx + steps, Wide{2} * steps);
        const int64_t py = y0 + FloorDiv(Wide{2} * i * dy + steps, Wide{2} * steps);
        if (px >= pen.clip.left && px < pen.clip.right && py >= pen.clip.top && py < pen.clip.bottom)
            pen.Point(static_cast<int>(px), static_cast<int>(py));
    }
    context->position = {x, y};
    return true;
}

}  // namespace sys::gdi
