// Writes the seeds of the fuzz targets of the readers that take the demo's files: the catalog
// with the program's resource classes and with the asset classes, the sprite archive, the input
// settings archive, the profile, console scripts, the settings saved and read back, the help
// text, the career's level lines and the patch download's answers. Every seed comes from the program's own writers
// and the demo generator. Run by hand after a change of one of the formats:
//   tarvex_tools_tests --gtest_also_run_disabled_tests --gtest_filter=*WriteReaderFuzzSeeds

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/CConfigData.h"
#include "app/SGameObjects.h"
#include "assets/models/SMesh.h"
#include "assets/models/SModel.h"
#include "assets/textures/STexture.h"
#include "assets/AssetResourceKinds.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "core/SCommandInterpreter.h"
#include "dx/input/SInputObj.h"
#include "dx/sound/SWave.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/profile.h"
#include "tests/support/ScratchFolder.h"
#include "tools/makehome/HomeSet.h"
#include "tools/makehome/HomeTexts.h"
#include "ui/SFrame.h"
#include "ui/SSprite.h"
#include "ui/UiResourceKinds.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

template <class T>
Bytes Store(T& object) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        object.Serialize(ar);
        ar.Close();
    }
    Bytes bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

void Load(SCatalog& catalog, Bytes bytes) {
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    catalog.Serialize(ar);
}

void WriteSeed(const fs::path& folder, const std::string& name, const Bytes& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                         static_cast<std::streamsize>(bytes.size()));
}

void WriteSeed(const fs::path& folder, const std::string& name, const std::string& text) {
    WriteSeed(folder, name, Bytes(text.begin(), text.end()));
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

class FuzzSeedsTest : public testing::Test {
protected:
    void SetUp() override {
        RegisterSoundResourceKinds();
        RegisterUiResourceKinds();
        RegisterAssetResourceKinds();
        m_folder = tarvex::test::MakeScratchFolder("FuzzSeeds");
        m_home.Build();
    }

    // The demo catalog whole, and one catalog for each item that carries an object of its own
    // (fonts, the cursor, every layout), made by dropping the other items from a copy.
    void WriteCatalogSeeds(const fs::path& folder) {
        const Bytes whole = m_home.CatalogBytes();
        WriteSeed(folder, "demo.cat", whole);
        SCatalog demo;
        Load(demo, whole);
        int index = 0;
        for (POSITION pos = demo.GetItems()->GetHeadPosition(); pos != nullptr; ++index) {
            SCatalogItem* pItem = demo.GetItems()->GetNext(pos);
            if (pItem->GetResource() == nullptr)
                continue;
            SCatalog single;
            Load(single, whole);
            int other = 0;
            for (POSITION at = single.GetItems()->GetHeadPosition(); at != nullptr; ++other) {
                const POSITION here = at;
                SCatalogItem* pOther = single.GetItems()->GetNext(at);
                if (other != index) {
                    single.GetItems()->RemoveAt(here);
                    delete pOther;
                }
            }
            WriteSeed(folder, "item_" + std::to_string(index) + ".cat", Store(single));
        }
    }

    // The demo cursor as the generator files it, and a sprite of three frames of which two
    // share a picture and one is drawn at double size.
    void WriteSpriteSeeds(const fs::path& folder) {
        SCatalogItem* pCursor = m_home.Catalog().FindItem("Cursor", "", kKindSprite);
        ASSERT_NE(pCursor, nullptr);
        auto* pSprite = dynamic_cast<SSprite*>(pCursor->GetResource());
        ASSERT_NE(pSprite, nullptr);
        WriteSeed(folder, "cursor.spr", Store(*pSprite));

        SSprite frames;
        frames.SetName("gun");
        frames.SetPosition(5, 6);
        frames.SetDoubleSize(1);
        const char* files[] = {"a.bmp", "b.bmp", "a.bmp"};
        for (int i = 0; i < 3; ++i) {
            auto* pFrame = new SFrame;
            pFrame->SetFileName(files[i]);
            pFrame->SetFrameRect(sys::RECT{0, 0, 4 + i, 3});
            pFrame->SetHotSpot(1, 2);
            pFrame->SetRegionRect(sys::RECT{1, 1, 3, 2});
            if (i == 1)
                pFrame->SetSuffix("_lo");
            frames.InsertFrame(pFrame, -1);
        }
        WriteSeed(folder, "frames.spr", Store(frames));
        // A double-size word that is not 0 or 1, with a frame wider than the fuzz target's
        // drawing surface, so clipping moves the source.
        frames.SetDoubleSize(0x40000000);
        frames.GetFrame(1)->SetFrameRect(sys::RECT{0, 0, 200, 100});
        WriteSeed(folder, "regress_double_word.spr", Store(frames));
    }

    // A hub that has run the demo's default commands: its input settings and its configuration
    // file are seeds, and so are the command files themselves.
    void WriteHubSeeds(const fs::path& settingsFolder, const fs::path& scriptFolder, const fs::path& savedFolder) {
        const fs::path saved = fs::current_path();
        sys::profile::SetFile(m_folder + "/profile.ini");
        fs::current_path(m_folder);
        {
            SGameObjects hub;
            std::ofstream(m_folder + "/defcmds.cfg", std::ios::binary) << home_texts::kDefaultCommands;
            SString response;
            ASSERT_TRUE(hub.m_pInterpreter->ExecFile(SString("defcmds.cfg"), response, false));
            ASSERT_GT(hub.m_pInput->GetSettings().GetCommandCount(), 0);
            WriteSeed(settingsFolder, "default_bindings", Store(hub.m_pInput->GetSettings()));
            SInputObjSettings empty;
            WriteSeed(settingsFolder, "empty", Store(empty));

            std::string config;
            hub.m_pConfig->Write([&config](const char* text) { config += text; });
            WriteSeed(scriptFolder, "default.cfg", config);
            WriteSeed(scriptFolder, "defcmds.cfg", std::string(home_texts::kDefaultCommands));
            WriteSavedSettingsSeeds(savedFolder, config);
        }
        fs::current_path(saved);
        sys::profile::SetFile("");
        WriteSeed(scriptFolder, "console.cfg",
                  WithCrLf("alias fire2 \"+fire;wait 50;-fire\" \"Double Fire\"\nbind fire2 a\nalias fire2\n"
                           "set inp_msensitivity \"200\"\nset inp_msensitivity\nlist inputs\nunbound\n"
                           "exec script.cfg\nhelp set\n"));
    }

    // Typed lines, "startup.cfg" and "defcmds.cfg" split by NUL bytes: the demo's configuration
    // run at start-up, and bindings typed in orders that a next start once read otherwise.
    // An alias of a label of 3,300 characters bound to a key, a mouse button and a joystick
    // button, and an unnamed binding of steps as long: lines past several reads of a command file.
    static std::string LongLines() {
        const std::string label = std::string(3300, 'L');
        std::string steps = "x";
        while (steps.size() < label.size())
            steps += ";+y;-y";
        return "alias a \"x\" \"" + label + "\"\nbind q a\nbind mouse2 a\nbind joy7 a\nbind f \"" + steps + "\" \"" +
               label + "\"\n";
    }

    // A start-up file that runs itself until the run stops at the bytes one run reads.
    static std::string StartupPastTheBound() {
        std::string lines;
        for (int n = 0; lines.size() <= SCommandInterpreter::kMaxExecBytes / 15; ++n)
            lines += "alias s" + std::to_string(n) + " \"x\" \"" + std::string(300, 'L') + "\"\n";
        return lines + "exec startup\n";
    }

    void WriteSavedSettingsSeeds(const fs::path& folder, const std::string& config) {
        const std::string defaults = std::string(1, '\0') + home_texts::kDefaultCommands;
        WriteSeed(folder, "demo", std::string(1, '\0') + config + defaults);
        std::string steps;
        for (int n = 1000; n < 1120; ++n)
            steps += (steps.empty() ? "s" : ";s") + std::to_string(n).substr(1);
        const std::pair<const char*, std::string> typed[] = {
            {"ten_taps", "alias tap \"+forward;-forward\" \"Tap\"\n"
                         "alias combo10 \"tap;tap;tap;tap;tap;tap;tap;tap;tap;tap\" \"Ten taps\"\n"
                         "alias go10 \"combo10\" \"Go ten\"\nbind k \"go10\" \"Go ten\"\n"},
            {"redefined_after_use", "alias dance \"jump\"\nalias party \"dance\"\nalias dance "
                                    "\"+forward;-forward;+back;-back;+left;-left;+right;-right;jump;crouch;jump\"\n"},
            {"long_alias", "alias long \"" + steps + "\"\n"},
            {"alias_of_set", "set inp_invertx \"1\"\nset cfg_sysprofile \"3\"\nalias set \"echo\"\n"},
            {"cycles",
             "alias a \"b\"\nalias b \"c\"\nalias c \"a\"\nbind k \"+jump\"\nalias dbl \"dbl once;dbl twice\"\n"},
            {"blank_steps", "bind k \" ;\"\nalias blank \" ;\"\nalias pad \" jump ; crouch \"\n"
                            "alias sa \"x; sb\"\nalias sb \"y; sa\"\n"},
            {"long_lines", LongLines()},
        };
        for (const auto& [name, lines] : typed)
            WriteSeed(folder, name, lines + std::string(1, '\0') + defaults);
        WriteSeed(folder, "startup_past_the_bound", std::string(1, '\0') + StartupPastTheBound() + defaults);
    }

    // Profiles as the profile's writer leaves them, with and without the maker's key.
    void WriteProfileSeeds(const fs::path& folder) {
        using sys::profile::Kind;
        const std::string path = m_folder + "/Tarvex.ini";
        sys::profile::SetFile(path);
        sys::profile::SetRegistryKey("");
        ASSERT_TRUE(sys::profile::WriteString(Kind::Application, "Settings", "BasePath", "/games/tarvex/"));
        sys::profile::SetRegistryKey("Quellon Interactive");
        ASSERT_TRUE(sys::profile::WriteString(Kind::Application, "Settings", "MediaPath", " media "));
        ASSERT_TRUE(sys::profile::WriteInt(Kind::Application, "Catalog", "ReleaseMode", 1));
        ASSERT_TRUE(sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriver", "Primary Display Driver"));
        ASSERT_TRUE(sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDevice", "\"quoted\""));
        ASSERT_TRUE(sys::profile::WriteInt(Kind::System, "Settings", "MaleVoiceOvers", -2147483647));
        WriteSeed(folder, "written.ini", ReadText(path));
        WriteSeed(folder, "written_crlf.ini", WithCrLf(ReadText(path)));
        sys::profile::SetFile("");
    }

    // Catalogs holding an 8-bit texture, a mesh and a model as the writers store them: all
    // three together and each alone.
    void WriteAssetCatalogSeeds(const fs::path& folder) {
        const auto texture = [] {
            auto* p = new STexture;
            p->m_iWidth = p->m_iHeight = 64;
            p->m_iLevelCount = 5;
            p->m_strLabel = "board";
            p->m_strMipFile = "range.mip";
            p->m_iHasMipFile = 1;
            p->AddFileName("board.bmp");
            return p;
        };
        const auto mesh = [] {
            auto* p = new SMesh;
            p->SetFileName("board.msh");
            p->m_strSecondName = "board_lo.msh";
            return p;
        };
        const auto model = [] {
            auto* p = new SModel;
            p->m_strName = "officer";
            for (const char* name : {"stand", "walk"}) {
                auto* frame = new SModelFrame;
                frame->m_strName = name;
                frame->m_strSecondName = "officer.ssm";
                p->AddFrame(frame);
            }
            return p;
        };
        const auto item = [](int kind, const char* name, SResource* resource) {
            auto* p = new SCatalogItem(kind, name, "", "");
            p->SetResource(resource);
            return p;
        };
        SCatalog all;
        all.AddItem(item(kKindTexture, "board", texture()));
        all.AddItem(item(kKindMesh, "board", mesh()));
        all.AddItem(item(kKindModel, "officer", model()));
        WriteSeed(folder, "assets.cat", Store(all));
        SCatalog one;
        one.AddItem(item(kKindTexture, "board", texture()));
        WriteSeed(folder, "texture.cat", Store(one));
        SCatalog two;
        two.AddItem(item(kKindMesh, "board", mesh()));
        WriteSeed(folder, "mesh.cat", Store(two));
        SCatalog three;
        three.AddItem(item(kKindModel, "officer", model()));
        WriteSeed(folder, "model.cat", Store(three));
    }

    // The stand-in library's level lines and picture lines, as the target reads them: the
    // "Level" values one a line, an empty line, then the "LevelImage" values.
    static void WriteLevelListSeeds(const fs::path& folder) {
        std::string levels;
        std::string images;
        // The library is loaded by name at run time, so its definitions are read from its source.
        std::istringstream script(ReadText(fs::path(TARVEX_TEST_DATA) / "../../game/StandInObjects.cpp"));
        for (std::string line; std::getline(script, line);) {
            const size_t quote = line.find('"');
            if (line.find("set Level") == std::string::npos || quote == std::string::npos)
                continue;
            const std::string value = line.substr(quote + 1, line.rfind('"') - quote - 1);
            (line.find("set LevelImage") != std::string::npos ? images : levels) += value + "\n";
        }
        ASSERT_FALSE(levels.empty());
        WriteSeed(folder, "scenario.txt", levels + "\n" + images);
        WriteSeed(folder, "levels_only.txt", levels);
    }

    // Answers to the request for the information file: over HTTP as the download tests' server
    // sends them (with and without a length, and a refusal), and over FTP as the control
    // replies one a line, an empty line, then the file. The first byte's upper seven bits are
    // how the transfer library ends the transfer: a body cut off before its length ("partial
    // file", 18) and a file the FTP server does not have ("remote file not found", 78).
    static void WritePatchSeeds(const fs::path& folder) {
        const std::string file = "V0.9:0:127.0.0.1/patches/old.exe\r\nV1.0A:0:127.0.0.1/patches/QJB_patch.exe\r\n"
                                 "v1.0a:1:127.0.0.1/patches/cd.exe\r\nv1.0a:0:127.0.0.1/p/..\\evil.exe\r\ngarbage\r\n";
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n";
        WriteSeed(folder, "http.txt",
                  std::string(1, '\0') + head + "Content-Length: " + std::to_string(file.size()) + "\r\n\r\n" + file);
        WriteSeed(folder, "http_no_length.txt", std::string(1, '\0') + head + "\r\n" + file);
        WriteSeed(folder, "http_404.txt",
                  std::string(1, '\0') + "HTTP/1.1 404 Not Found\r\nContent-Length: 8\r\n\r\nNot here");
        WriteSeed(folder, "ftp.txt",
                  std::string(1, '\1') + "220 Test server ready\n331 Password please\n230 Logged in\n257 \"/\"\n"
                                          "200 Type set\n213 " + std::to_string(file.size()) +
                      "\n150 Opening data connection\n226 Transfer complete\n\n" + file);
        WriteSeed(folder, "http_cut_off.txt",
                  std::string(1, 18 << 1) + head + "Content-Length: " + std::to_string(file.size() + 100) +
                      "\r\n\r\n" + file);
        WriteSeed(folder, "ftp_missing.txt",
                  std::string(1, static_cast<char>((78 << 1) | 1)) +
                      "220 Test server ready\n331 Password please\n230 Logged in\n257 \"/\"\n"
                      "200 Type set\n550 No such file\n\n");
    }

    std::string m_folder;
    HomeSet m_home;
};

}  // namespace

TEST_F(FuzzSeedsTest, DISABLED_WriteReaderFuzzSeeds) {
    const fs::path corpus(TARVEX_FUZZ_CORPUS);
    WriteCatalogSeeds(corpus / "catalog_resources_fuzz");
    WriteAssetCatalogSeeds(corpus / "asset_archives_fuzz");
    WriteLevelListSeeds(corpus / "level_list_fuzz");
    WritePatchSeeds(corpus / "patch_fuzz");
    WriteSpriteSeeds(corpus / "sprite_fuzz");
    WriteHubSeeds(corpus / "input_settings_fuzz", corpus / "console_exec_fuzz", corpus / "settings_save_fuzz");
    WriteProfileSeeds(corpus / "profile_fuzz");
    const fs::path help = corpus / "help_text_fuzz";
    WriteSeed(help, "help.sss", std::string(home_texts::kHelp));
    WriteSeed(help, "help_crlf.sss", WithCrLf(home_texts::kHelp));
    WriteSeed(help, "credits.sss", std::string(home_texts::kCredits));
    WriteSeed(help, "thanks.sss", std::string(home_texts::kThanks));
}
