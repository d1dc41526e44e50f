// Looks at a Home folder without a display: copies it into a scratch folder, starts the program
// there on the headless platform with the front end installed, plays a small script of frames,
// mouse moves and clicks, and saves the presented frames as 24-bit BMP pictures.
//
//   tarvex_homecheck <Home folder> <output folder> [step ...]
//   steps: frames:N   move:X,Y   click:X,Y   shot:NAME
//          yesno:X,Y   password:X,Y  (opens that message dialog with a click at X,Y waiting)
//          console:LINE (runs a console line and prints the answer)
//
// Without steps it runs 40 frames and saves "main.bmp".

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/CTarvexApp.h"
#include "app/SFrontEndHooks.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SMsgHandler.h"
#include "core/SCommandInterpreter.h"
#include "frontend/SFrontEndSetup.h"
#include "frontend/screens/SAppScreen.h"
#include "frontend/screens/SScreenManager.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SInputObj.h"
#include "dx/sound/SSound.h"
#include "sys/time/headless/headless_clock.h"
#include "sys/video/headless/headless_video.h"
#include "sys/window/headless/headless_window.h"
#include "sys/profile.h"
#include "ui/SGraphicsHost.h"

namespace {

// The application with its per-frame step reachable from outside the loop.
class CheckApp : public CTarvexApp {
public:
    using CTarvexApp::CTarvexApp;

    // One pass of the program's loop, with the fake clock moved on by a frame.
    bool Frame() {
        bool didWork = false;
        if (!GetMsgHandler()->PumpMessages(didWork))
            return false;
        SGameObjects* hub = GetHub();
        if (hub->m_pInput != nullptr)
            hub->m_pInput->Update();
        UpdateScreen();
        if (hub->m_pGraphics != nullptr)
            hub->m_pGraphics->RenderFrame();
        if (hub->m_pGameItems->m_pSound != nullptr)
            hub->m_pGameItems->m_pSound->Update();
        sys::time::headless::Advance(20);
        return true;
    }
};

void PutU32(std::ofstream& out, uint32_t value) {
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 24)};
    out.write(bytes, 4);
}

bool SaveFrame(const std::filesystem::path& path) {
    const sys::video::headless::Frame& frame = sys::video::headless::LastFrame();
    if (frame.width <= 0 || frame.height <= 0)
        return false;
    const uint32_t stride = (static_cast<uint32_t>(frame.width) * 3 + 3) / 4 * 4;
    std::ofstream out(path, std::ios::binary);
    out.write("BM", 2);
    PutU32(out, 54 + stride * frame.height);
    PutU32(out, 0);
    PutU32(out, 54);
    PutU32(out, 40);
    PutU32(out, static_cast<uint32_t>(frame.width));
    PutU32(out, static_cast<uint32_t>(frame.height));
    PutU32(out, 1 | (24u << 16));
    for (int i = 0; i < 6; ++i)
        PutU32(out, 0);
    std::vector<char> row(stride, 0);
    for (int y = frame.height - 1; y >= 0; --y) {
        for (int x = 0; x < frame.width; ++x) {
            const uint32_t pixel = frame.At(x, y);
            row[x * 3] = static_cast<char>(pixel);
            row[x * 3 + 1] = static_cast<char>(pixel >> 8);
            row[x * 3 + 2] = static_cast<char>(pixel >> 16);
        }
        out.write(row.data(), static_cast<std::streamsize>(stride));
    }
    return static_cast<bool>(out);
}

bool ParsePoint(const std::string& text, int& x, int& y) { return std::sscanf(text.c_str(), "%d,%d", &x, &y) == 2; }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <Home folder> <output folder> [frames:N|move:X,Y|click:X,Y|shot:NAME ...]\n",
                     argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path output = fs::absolute(argv[2]);
    const fs::path run = output / "run";
    std::error_code ec;
    fs::remove_all(run, ec);
    fs::create_directories(run, ec);
    fs::copy(argv[1], run / "Home", fs::copy_options::recursive, ec);
    if (ec) {
        std::fprintf(stderr, "cannot copy %s: %s\n", argv[1], ec.message().c_str());
        return 1;
    }
    fs::current_path(run);
    sys::profile::SetFile((run / "profile.ini").string());
    sys::window::headless::Reset();
    sys::video::headless::Reset();

    std::vector<std::string> steps(argv + 3, argv + argc);
    if (steps.empty())
        steps = {"frames:40", "shot:main"};

    SFrontEndSetup frontEnd;
    SFrontEndHooks::Install(&frontEnd);
    int status = 0;
    {
        CheckApp app;
        if (!app.InitInstance()) {
            std::fprintf(stderr, "start-up failed\n");
            app.ExitInstance();
            SFrontEndHooks::Install(nullptr);
            return 1;
        }
        for (const std::string& step : steps) {
            const std::string kind = step.substr(0, step.find(':'));
            const std::string value = step.find(':') == std::string::npos ? "" : step.substr(step.find(':') + 1);
            int x = 0;
            int y = 0;
            if (kind == "frames") {
                for (int i = 0; i < std::stoi(value); ++i)
                    if (!app.Frame())
                        break;
            } else if (kind == "move" && ParsePoint(value, x, y)) {
                sys::window::headless::InjectMouseMove(x, y);
                app.Frame();
            } else if (kind == "click" && ParsePoint(value, x, y)) {
                sys::window::headless::InjectMouseMove(x, y);
                app.Frame();
                sys::window::headless::InjectMouseButton(0, true);
                app.Frame();
                sys::window::headless::InjectMouseButton(0, false);
                app.Frame();
            } else if ((kind == "yesno" || kind == "password") && ParsePoint(value, x, y)) {
                // The click waits in the queue; the dialog's loop takes it on its first pass,
                // after which the last presented frame still shows the dialog.
                sys::window::headless::InjectMouseMove(x, y);
                sys::window::headless::InjectMouseButton(0, true);
                sys::window::headless::InjectMouseButton(0, false);
                SScreenManager* manager = app.GetHub()->m_pScreenManager;
                SWindow* parent = manager != nullptr ? manager->GetCurrentScreen() : nullptr;
                int answer = 0;
                if (kind == "yesno") {
                    answer = app.GetGraphicsHost()->MessageDialog("Change screen mode?", 1, parent, 0);
                } else {
                    CString text("secret");
                    answer = app.GetGraphicsHost()->PasswordDialog("Enter the password of the server.", text, parent, 0);
                }
                std::printf("%s answered %d\n", kind.c_str(), answer);
            } else if (kind == "console") {
                SString response;
                app.GetHub()->m_pInterpreter->ExecuteLine(SString(value.c_str()), response);
                std::printf("> %s\n%s\n", value.c_str(), response.GetString());
            } else if (kind == "shot") {
                const fs::path picture = output / (value + ".bmp");
                if (!SaveFrame(picture)) {
                    std::fprintf(stderr, "no frame to save for %s\n", value.c_str());
                    status = 1;
                } else {
                    std::printf("saved %s\n", picture.string().c_str());
                }
            } else {
                std::fprintf(stderr, "unknown step %s\n", step.c_str());
                status = 2;
            }
        }
        app.ExitInstance();
    }
    SFrontEndHooks::Install(nullptr);
    // The process's hub is a function-level static made before the headless mixer's store, so
    // the normal exit would tear the store down first and the hub's sound buffers would then
    // write into it; the pictures are saved, so the process ends without static destructors.
    std::fflush(stdout);
    std::_Exit(status);
}
