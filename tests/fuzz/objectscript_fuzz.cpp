// Fuzzes the object-definition script reader. The reader reads files, so each input is written
// to a file of its own folder and read from there; the definitions it builds are then written
// back as text, stored and reloaded through an archive, and freed.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/SObjectDef.h"
#include "core/SObjectParser.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/window/headless/headless_dialogs.h"

namespace {

// A folder no other run shares, made on first use and removed when the run ends. Its name is
// random so an include in the input cannot name the input file itself by luck.
class InputFolder {
public:
    InputFolder()
    {
        std::random_device random;
        m_folder = std::filesystem::temp_directory_path() / ("tarvex_objectscript_fuzz_" + std::to_string(random()));
        std::filesystem::create_directories(m_folder);
        m_name = "input_" + std::to_string(random()) + ".txt";
    }
    ~InputFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    InputFolder(const InputFolder&) = delete;
    InputFolder& operator=(const InputFolder&) = delete;

    // Where the input is written, and the same file as the reader is told of it.
    std::filesystem::path NativePath() const { return m_folder / m_name; }
    std::string ScriptPath() const { return m_folder.string() + "\\" + m_name; }

private:
    std::filesystem::path m_folder;
    std::string m_name;
};

const InputFolder& Folder()
{
    static const InputFolder folder;
    return folder;
}

void StoreAndReload(SObjectDefList& list)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        list.Serialize(ar);
        ar.Close();
    }
    file.SeekToBegin();
    SObjectDefList back;
    try {
        CArchive ar(&file, CArchive::load);
        back.Serialize(ar);
    } catch (CArchiveException&) {
        // What the writer stored must read back; a failure here shows up as a missing list.
        __builtin_trap();
    }
    if (back.GetCount() != list.GetCount())
        __builtin_trap();
    back.DeleteAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = Folder().ScriptPath();
    {
        std::ofstream out(Folder().NativePath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    sys::dialogs::headless::Reset();

    SObjectDefList list;
    SObjectParser parser;
    parser.SetDefList(&list);
    parser.ParseFile(path.c_str());
    if (parser.GetCurrent() != nullptr || SObjectParser::GetNestingLevel() != 0)
        __builtin_trap();
    const CString text = parser.ToText();
    (void)text;
    StoreAndReload(list);

    // Reading the same file into one definition walks the set-line path outside blocks.
    SObjectDef* def = parser.ParseFileInto(path.c_str(), "", nullptr);
    if (def != nullptr)
        def->Release();

    list.DeleteAll();
    sys::dialogs::headless::Reset();
    return 0;
}
