#pragma once

// Shared set-up of the input tests: the headless backends with a fresh fake clock, no
// joysticks, and a shown main window that holds the focus, so devices can be acquired.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sys/backend.h"
#include "sys/input/headless/headless_input.h"
#include "sys/window/headless/headless_window.h"
#include "sys/input/input.h"
#include "sys/time/time.h"
#include "sys/window/window.h"

namespace tarvex::test {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys::SelectBackend(sys::Backend::Headless);
        sys::window::headless::Reset();
        sys::input::headless::Reset();
        sys::time::SetFakeTicks(1000);
        window = sys::window::CreateWindow(
            "Tarvex", 0, nullptr, [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) {
                return sys::window::DefWindowProc(h, m, w, l);
            });
        ASSERT_NE(window, nullptr);
        sys::window::ShowWindow(window, sys::SW_SHOW);
        ASSERT_EQ(sys::window::GetFocus(), window);
    }

    void TearDown() override {
        sys::input::headless::Reset();
        sys::window::headless::Reset();
    }

    sys::HWND window = nullptr;
};

// Collects the command lines an input object hands to its executor.
struct ExecutedLines {
    std::vector<std::string> lines;
    void operator()(const char* text) { lines.emplace_back(text); }
    std::vector<std::string> Take() {
        std::vector<std::string> taken;
        taken.swap(lines);
        return taken;
    }
};

}  // namespace tarvex::test
