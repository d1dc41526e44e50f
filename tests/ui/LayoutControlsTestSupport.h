#pragma once

// Set-up shared by the control-item and record-list tests: the quote-stripping test layout
// with its record lists, control items and a catalog of its own, on a windowed headless
// display, and a catalog button or slider of a given size.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "dx/display/SGraphics.h"
#include "tests/dx/display/VideoTestSupport.h"
#include "tests/ui/LayoutTestSupport.h"
#include "ui/widgets/SButton.h"
#include "ui/layout/SLayoutControlItems.h"
#include "ui/layout/SLayoutResourceLists.h"
#include "ui/widgets/SSlider.h"

namespace tarvex::test {

class ControlLayout : public TestLayout {
public:
    SCatalog* GetCatalog() override { return catalog; }
    SGraphics* GetDisplay() override { return display; }
    // The real lookups, not the canned ones of the drawing-item tests' layout.
    SSprite* LoadResource(const char* n, bool* c) override { return SLayout::LoadResource(n, c); }
    SFont* LoadResourceAlt(const char* n, bool* c) override { return SLayout::LoadResourceAlt(n, c); }
    SDXSurface* LoadImageSurface(const char* n, bool* c) override { return SLayout::LoadImageSurface(n, c); }

    // The record at a place of a list.
    static SLayoutRes* Record(SLayoutResList& list, int index) {
        POSITION pos = list.FindIndex(index);
        return pos != nullptr ? list.GetAt(pos) : nullptr;
    }

    SCatalog* catalog = nullptr;
    SGraphics* display = nullptr;
};

// Widgets draw their texts with a count of -1 (up to the terminating zero).
class WidgetRecordingDC : public RecordingDC {
public:
    void TextOut(int x, int y, const char* text, int count) override {
        RecordingDC::TextOut(x, y, text, count < 0 ? static_cast<int>(std::strlen(text)) : count);
    }
};

class LayoutControlsFixture : public VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        OpenDisplay(graphics, 0);
        layout.catalog = &catalog;
        layout.display = &graphics;
        layout.MoveWindow(sys::RECT{0, 0, 640, 480});
    }

    // A catalog entry (kind, name) holding a widget of the given size.
    template <class T>
    T* AddWidget(int kind, const char* name, int width, int height) {
        auto* widget = new T;
        widget->MoveWindow(sys::RECT{0, 0, width, height});
        auto* item = new SCatalogItem(kind, name, name, "");
        item->SetResource(widget);
        catalog.AddItem(item);
        return widget;
    }
    std::vector<std::string> Frame() {
        dc.calls.clear();
        layout.Draw(&dc);
        return dc.calls;
    }
    bool Drew(const std::string& call) const {
        return std::find(dc.calls.begin(), dc.calls.end(), call) != dc.calls.end();
    }

    SGraphics graphics;
    SCatalog catalog;
    ControlLayout layout;  // after the catalog and display, so it goes first
    WidgetRecordingDC dc;
};

}  // namespace tarvex::test
