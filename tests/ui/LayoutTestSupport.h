#pragma once

// Shared set-up of the layout tests: a layout whose value hook reads integers and named
// variables and whose text hook strips quotes, with lookups the test fills in, and a drawing
// context that writes down what it is asked to draw (text 6 pixels a character, 10 high).

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dx/display/SDXSurface.h"
#include "ui/SDC.h"
#include "ui/SFont.h"
#include "ui/layout/SLayout.h"
#include "ui/SSprite.h"

namespace tarvex::test {

// An item of the application's own: remembers how often it was hidden.
class AppItem : public SLayoutItem {
public:
    void Hide() override { ++hides; }
    int32_t Render(SDC* pDC) override {
        ++renders;
        return SLayoutItem::Render(pDC);
    }
    int hides = 0;
    int renders = 0;
};

class TestLayout : public SLayout {
public:
    SCatalog* GetCatalog() override { return nullptr; }
    SGraphics* GetDisplay() override { return nullptr; }
    int32_t GetValue(const char* pszArg, SDC*, SLayoutGroup*) override {
        const std::string text = Unquoted(pszArg);
        if (auto it = variables.find(text); it != variables.end())
            return it->second;
        return static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10));
    }
    float GetFloatValue(const char* pszArg, SDC* pDC, SLayoutGroup* pBlock) override {
        if (variables.count(Unquoted(pszArg)) != 0)
            return static_cast<float>(GetValue(pszArg, pDC, pBlock));
        return std::strtof(pszArg, nullptr);
    }
    CString GetText(const char* pszArg, SDC*) override { return CString(Unquoted(pszArg)); }
    SLayoutItem* CreateAppItem(const char* pszWord) override {
        offered.push_back(pszWord);
        if (appWords.count(pszWord) == 0)
            return nullptr;
        auto* item = new AppItem;
        appItems.push_back(item);
        return item;
    }
    void OnCommand(const char* pszCommand) override { commands.push_back(pszCommand); }
    void EnableKeyboard(int bEnable) override { keyboard.push_back(bEnable); }
    void OnWindowsCreated() override { ++windowsCreatedCalls; }

    SDXSurface* LoadImageSurface(const char* pszName, bool* pbCreated) override {
        SLayout::LoadImageSurface(pszName, pbCreated);
        ++imageLookups;
        auto it = images.find(pszName);
        return it != images.end() ? it->second : nullptr;
    }
    SSprite* LoadResource(const char* pszName, bool* pbCreated) override {
        SLayout::LoadResource(pszName, pbCreated);
        auto it = sprites.find(pszName);
        return it != sprites.end() ? it->second : nullptr;
    }
    SFont* LoadResourceAlt(const char* pszName, bool* pbCreated) override {
        SLayout::LoadResourceAlt(pszName, pbCreated);
        auto it = fonts.find(pszName);
        return it != fonts.end() ? it->second : nullptr;
    }

    static std::string Unquoted(const char* pszArg) {
        std::string text = pszArg;
        std::erase(text, '"');
        return text;
    }

    // The top-level block and its items, for looking at the parsed tree.
    SLayoutGroup* Root() { return GetGroups().IsEmpty() ? nullptr : static_cast<SLayoutGroup*>(GetGroups().GetHead()); }
    static SLayoutItem* ItemAt(SLayoutGroup* block, int index) {
        SLayoutItemList& items = block->GetItems();
        POSITION pos = items.FindIndex(index);
        return pos != nullptr ? items.GetAt(pos) : nullptr;
    }
    static std::vector<std::string> Args(const SLayoutItem* item) {
        std::vector<std::string> args;
        for (int i = 0; i < item->GetArgCount(); ++i)
            args.emplace_back(item->GetArgs()[i].GetString());
        return args;
    }

    std::map<std::string, int32_t> variables;
    std::set<std::string> appWords;
    std::vector<std::string> offered;
    std::vector<AppItem*> appItems;
    std::vector<std::string> commands;
    std::vector<int> keyboard;
    int windowsCreatedCalls = 0;
    int imageLookups = 0;
    std::map<std::string, SDXSurface*> images;
    std::map<std::string, SSprite*> sprites;
    std::map<std::string, SFont*> fonts;
};

// Writes down every drawing call as one line of text; blits also go onto the target surface
// when there is one.
class RecordingDC : public SDC {
public:
    int BlitSurface(SDXSurface* pSource, int x, int y) override {
        calls.push_back("blit " + std::to_string(x) + "," + std::to_string(y));
        blitSources.push_back(pSource);
        if (target != nullptr)
            target->Blt(pSource, nullptr, nullptr, 1, 0, 0);
        return 1;
    }
    void FrameRect(const sys::RECT& r, sys::HBRUSH) override { calls.push_back("frame " + Rect(r)); }
    void Rectangle(const sys::RECT& r, sys::HPEN, sys::HBRUSH) override { calls.push_back("rect " + Rect(r)); }
    int Line(int x1, int y1, int x2, int y2, sys::HPEN) override {
        calls.push_back("line " + std::to_string(x1) + "," + std::to_string(y1) + "-" + std::to_string(x2) + "," +
                        std::to_string(y2));
        return 1;
    }
    void TextOut(int x, int y, const char* text, int count) override {
        // A negative count stands for the whole text, as the drawing contexts take it.
        const std::string shown = count < 0 ? std::string(text) : std::string(text, count);
        calls.push_back("text " + std::to_string(x) + "," + std::to_string(y) + " " + shown);
        textFonts.push_back(GetFont());
    }
    void DrawText(const char* text, sys::RECT& r, uint32_t format) override {
        calls.push_back("box " + Rect(r) + " " + text + (format == sys::DT_WORDBREAK ? " wrap" : " ?"));
    }
    int GetTextExtent(const char* text, sys::SIZE& size) override {
        size.cx = charWidth * static_cast<int>(std::string(text).size());
        size.cy = 10;
        return 1;
    }
    SDXSurface* GetSurface() override { return target; }
    SDXSurface* SetSurface(SDXSurface* surface) override {
        SDXSurface* previous = target;
        target = surface;
        return previous;
    }

    static std::string Rect(const sys::RECT& r) {
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom);
    }

    std::vector<std::string> calls;
    std::vector<SDXSurface*> blitSources;
    std::vector<SFont*> textFonts;
    SDXSurface* target = nullptr;
    int charWidth = 6;
};

}  // namespace tarvex::test
