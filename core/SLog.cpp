#include "core/SLog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sys/classlib/CFile.h"
#include "sys/classlib/Exceptions.h"

namespace {

bool DebugOutputWanted() {
    const char* setting = std::getenv("TARVEX_DEBUG_OUTPUT");
    return setting != nullptr && setting[0] != '\0' && std::strcmp(setting, "0") != 0;
}

}  // namespace

void WriteDebugString(const char* text) {
    if (text != nullptr && DebugOutputWanted())
        std::fputs(text, stderr);
}

bool WriteLog(const char* text, bool truncate, const char* fileName) {
    if (text == nullptr)
        text = "";
    WriteDebugString(text);
    WriteDebugString("\n");
    if (fileName == nullptr || fileName[0] == '\0')
        return true;

    // Appending asks the file layer to keep an existing file, which it finds without regard to
    // the case of any component, so a name given with its folder appends just as a bare one.
    unsigned flags = CFile::modeCreate | CFile::modeWrite | CFile::typeBinary;
    if (!truncate)
        flags |= CFile::modeNoTruncate;

    try {
        CFile file;
        if (!file.Open(fileName, flags))
            return true;
        if (!truncate)
            file.SeekToEnd();
        file.Write(text, static_cast<unsigned>(std::strlen(text)));
        file.Write("\r\n", 2);
        file.Close();
    } catch (CFileException&) {
        // A log line that cannot be written is lost; the caller has nothing better to do.
    }
    return true;
}
