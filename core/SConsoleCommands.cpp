#include "core/SConsoleCommands.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/SConsoleHost.h"
#include "core/SDataCollection.h"
#include "core/SFileSystem.h"
#include "core/STextUtil.h"

namespace console {

const SInterpreterCommand kBuiltinCommands[] = {
    {"ALIAS", CmdAlias},   {"BIND", CmdBind},       {"EXEC", CmdExec},     {"HELP", CmdHelp},
    {"?", CmdHelp},        {"LIST", CmdList},       {"SET", CmdSet},       {"SOUND", CmdSound},
    {"UNBOUND", CmdUnbound}, {"OBJECT", CmdObject}, {"PARSER", CmdParser}, {"EXIT", CmdExit},
    {"COMM", CmdComm},     {nullptr, nullptr},
};

}  // namespace console

namespace {

// Usage and help texts: "%s" is the row name as the table writes it.
constexpr const char* kAliasUsage = "Usage: %s commandname [\"command1;command2;...\"] [\"display name\"]";
constexpr const char* kAliasHelp =
    "You may create new sets of commands by using %s. These commands may be bound to inputs, or included within "
    "other sets of commands. If a command name is not specified, the existing set, if any, will be displayed. The "
    "'wait [miliseconds]' command is special and available only within these types of setups.\nExample: %s runjump "
    "\"+run;+forward;wait 200;jump;-run;-forward\" \"Run And Jump\"\n";
constexpr const char* kBindUsage = "Usage: %s input [\"command1;command2;...\"] [\"display name\"]";
constexpr const char* kBindHelp =
    "You may change what keys/mouse/joystick buttons are bound to which commands by using %s. Or you may create new "
    "sets of commands to execute whenever the input is pressed. If a command is not specified, the currently bound "
    "input, if any, will be displayed. The 'wait [miliseconds]' command is special and available only within these "
    "types of setups.\nExample: %s mouse3 \"+run;+forward;wait 200;jump;-run;-forward\" \"Run And Jump\"\n";
constexpr const char* kExecUsage = "Usage: %s file[.cfg] [show]";
constexpr const char* kExecHelp =
    "Executes commands line by line from a saved text file. If no extension is provided, .cfg is appended to the "
    "given filename. If the \"show\" parameter is provided, it displays the commands being executed.\n";
constexpr const char* kHelpUsage = "Usage: %s [command]\nCommands: ";
constexpr const char* kHelpHelp =
    "Displays information about a given command if available.\nAlso lists available commands if no command name is "
    "given\n";
constexpr const char* kListUsage = "Usage: %s info [\"file pattern\"]";
constexpr const char* kListHelp =
    "Displays a list of available information for certain things.\nYou may also list filenames by using the FILES "
    "option with your file pattern following in quotes.\n";
constexpr const char* kSetUsage = "Usage: %s settingname [\"value\"]";
constexpr const char* kSetHelp =
    "Sets certain options to new values. (see the LIST command) Unrecognized, or server restricted setting changes "
    "will be ignored. If a value is not given, the current value is displayed for you.\n";
constexpr const char* kSoundUsage = "Usage: %s [action]";
constexpr const char* kSoundHelp =
    "Allows you to perform certain actions with the sound object\n SHOW - Shows info about current sound buffers\n";
constexpr const char* kUnboundHelp = "Lists all commands and aliases which are not bound to any inputs.";
constexpr const char* kObjectUsage = "Usage: %s [objectscript]";
constexpr const char* kObjectHelp = "Allows you to edit object definitions.\n";
constexpr const char* kParserUsage = "Usage: %s [parameter]";
constexpr const char* kParserHelp =
    "Allows you to perform operations with the 3D engine.\nParameters: \n LOG : Instructs the engine to save a log "
    "of current status\n SHOT : Moves the camera to an overhead position for a map screen shot\n SHOT Parms: "
    "[ViewDistance = 200], [Height = 1000], [FogStart = 2000], [FogEnd = 20000]\n";
constexpr const char* kExitUsage = "Usage: %s";
constexpr const char* kExitHelp = "Ends the game if currently playing.\n";
constexpr const char* kCommUsage = "Usage: %s [parameter]";
constexpr const char* kCommHelp =
    "Allows you to perform operations with the communications system.\nParameters: \n STATS : brings up the comm "
    "stats dialog\n";

constexpr const char* kAllBound = "All commands and aliases are bound to inputs.";
constexpr const char* kObjectsDisabled = "Object commands are disabled after game initialization";

// PARSER SHOT's camera when the user gives no numbers.
constexpr int kShotViewDistance = 200;
constexpr float kShotHeight = 1000.0f;
constexpr int kShotFogStart = 2000;
constexpr int kShotFogEnd = 20000;

// LIST INPUTS stops at the first empty name; this bounds the walk should a table never end.
constexpr int kMaxNameRows = 1024;
// LIST FILES builds its search path in a buffer of this size.
constexpr int kPathBufferSize = 1024;

SCommandInterpreter* ConsoleOf(SInterpreter* interpreter) { return dynamic_cast<SCommandInterpreter*>(interpreter); }

SConsoleHost* HostOf(SInterpreter* interpreter) {
    SCommandInterpreter* console = ConsoleOf(interpreter);
    return console != nullptr ? console->GetHost() : nullptr;
}

// A text with the row name in every "%s" (the help texts of ALIAS and BIND hold two).
SString Expand(const char* format, const char* name) {
    SString text;
    text.Format(format, name, name);
    return text;
}

// What HELP shows for a command: the help text, then the usage text when it has one.
void Describe(SString& response, const char* help, const char* usage, const char* name) {
    response = Expand(help, name);
    if (usage != nullptr)
        response += Expand(usage, name);
}

SString TakeWord(SInterpreter* interpreter) {
    const char* word = interpreter->TakeToken(" ");
    return SString(word != nullptr ? word : "");
}

// A binding's name, steps and label with each control character as "?". The settings file
// writes them so (a file holding one would be set aside at the next start as damaged), and a
// binding is kept as the next start reads it: else two names that differ only there would
// become one there, or a step would lead elsewhere.
SString Printable(const SString& text) {
    std::string bytes(text.GetString());
    MarkControlCharacters(bytes, false);
    return SString(bytes.c_str());
}

// The pieces of a step list between ";" separators, in order, each without the blanks around
// it. A step runs by its first word, so " sb" runs sb: kept padded, it would lead where the loop
// check does not look. A piece of white space alone is no step: saved as a quoted text of blanks,
// the next start would pass it over and read its line as a question.
std::vector<SString> SplitSteps(const SString& steps) {
    std::vector<SString> pieces;
    const char* text = steps.GetString();
    while (*text != '\0') {
        const size_t length = std::strcspn(text, ";");
        const size_t first = std::strspn(text, " ");
        size_t last = length;
        while (last > first && text[last - 1] == ' ')
            --last;
        // Tabs are all the white space left: control characters were marked before.
        if (std::strspn(text + first, " \t") < last - first)
            pieces.emplace_back(text + first, static_cast<int>(last - first));
        text += length;
        if (*text == ';')
            ++text;
    }
    return pieces;
}

// Whether an alias of this name would take over lines of the settings file the game saves,
// which is made of these commands: aliases are looked for before the built-in commands, so
// every such line of the next start would run the alias, and the settings would be lost. A
// leading mark is passed over, as for the library's commands.
bool TakesOverSettingsLines(const char* name) {
    const char* bare = WithoutMark(name);
    for (const char* command : {"ALIAS", "BIND", "SET"}) {
        if (CompareTextNoCase(command, bare) == 0)
            return true;
    }
    return false;
}

// "display name: text" when the command has a display name, else the text alone.
SString WithDisplayName(SConsoleHost* host, int index, const SString& text) {
    const char* display = host->GetInputCommandDisplayName(index);
    if (display == nullptr || *display == '\0')
        return text;
    SString shown(display);
    shown += ": ";
    shown += text;
    return shown;
}

// The lists are gathered whole and handed to the response once: appending hundreds of names
// to it one by one would copy the growing text at every name.
void AppendName(std::string& text, const char* name) {
    text += name;
    text += ' ';
}

void ListInputs(SConsoleHost* host, SString& response) {
    const SConsoleHost::InputClass classes[] = {SConsoleHost::kInputKey, SConsoleHost::kInputMouse,
                                                SConsoleHost::kInputJoystick};
    std::string text;
    for (SConsoleHost::InputClass inputClass : classes) {
        for (int row = 0; row < kMaxNameRows; ++row) {
            const char* name = host->GetInputConfigName(inputClass, row);
            if (name == nullptr || *name == '\0')
                break;
            AppendName(text, name);
        }
    }
    response += text.c_str();
}

// Only the slots up to the last one ever written are elements; the rest is room for appends.
int ElementCount(const SDataCollection* collection) {
    const int written = collection->GetHighWater() + 1;
    return written < collection->GetCount() ? written : collection->GetCount();
}

void ListCommands(const SDataCollection* commands, SString& response) {
    const int count = ElementCount(commands);
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += ' ';
        SString name = commands->GetName(i);
        name.MakeLower();
        text += name.GetString();
    }
    response += text.c_str();
}

void ListSettings(SConsoleHost* host, const SDataCollection* settings, SString& response) {
    std::vector<SString> names;
    host->ListConfigVariables(names);
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += ' ';
        text += names[i].GetString();
    }
    text += ' ';
    const int count = ElementCount(settings);
    for (int i = 0; i < count; ++i) {
        if (settings->GetTag(i) == 0)
            text += settings->GetName(i).GetString();
        if (i + 1 < count)
            text += ' ';
    }
    response += text.c_str();
}

void ListFiles(const SString& pattern, SString& response) {
    std::string search;
    if (pattern.IsEmpty()) {
        search = "*.*";
    } else if (pattern.GetLength() == 1 || pattern.GetAt(1) == ':') {
        search = pattern.GetString();
    } else {
        CString current;
        SFileSystem().GetCurrentDirectory(current, "");
        search = current.GetString();
        search += '\\';
        search += pattern.GetString();
        // The joined path never grows past the buffer it has always had.
        if (search.size() > static_cast<size_t>(kPathBufferSize - 1))
            search.resize(kPathBufferSize - 1);
    }
    SFileSystem files;
    CString found;
    std::string text;
    for (bool more = files.FindFile(found, search.c_str(), SFileSystem::kAnyEntry); more;
         more = files.FindFile(found, "", SFileSystem::kAnyEntry)) {
        if (!found.IsEmpty() && found != "." && found != "..")
            AppendName(text, found.GetString());
    }
    response += text.c_str();
    if (response.IsEmpty())
        response.Format("No files matching '%s' found.", pattern.GetString());
}

void ReportUnknownList(const SString& topic, SString& response) {
    response.Format("'%s' is not a recognized list of information.\n", topic.GetString());
    response += console::kAvailableInfo;
}

}  // namespace

void CmdAlias(SInterpreter* interpreter, const char* name, int mode, SString& response) {
    if (mode == SInterpreter::kDescribe) {
        Describe(response, kAliasHelp, kAliasUsage, name);
        return;
    }
    SCommandInterpreter* console = ConsoleOf(interpreter);
    SConsoleHost* host = HostOf(interpreter);
    const SString command = Printable(TakeWord(interpreter));
    SString display(" ");
    SString steps;
    int index = -1;
    bool refused = false;
    if (!command.IsEmpty()) {
        index = host != nullptr ? host->FindInputCommand(command.GetString()) : -1;
        int gameIndex = 0;
        int state = 0;
        int kind = 0;
        if ((console != nullptr && console->FindGameCommand(command.GetString(), gameIndex, state, kind)) ||
            TakesOverSettingsLines(command.GetString())) {
            response.Format("Cannot override fundamental command [%s]", command.GetString());
            refused = true;
        } else {
            interpreter->NextToken(steps, "\"");
        }
    }
    if (refused)
        return;
    if (!steps.IsEmpty())
        interpreter->NextToken(display, "\"");
    if (host == nullptr || !host->HasInput())
        return;
    steps = Printable(steps);
    display = Printable(display);

    if (!steps.IsEmpty()) {
        if (index == -1)
            index = host->AddInputCommand(command.GetString(), display.GetString(), 1, -1, -1, -1);
        host->ClearInputAlias(index);
        SString rejected;
        for (const SString& piece : SplitSteps(steps)) {
            if (!host->AddInputAlias(index, piece.GetString())) {
                rejected += piece;
                rejected += ' ';
            }
        }
        if (!rejected.IsEmpty())
            response.Format("Could not alias: %s", rejected.GetString());
        return;
    }
    if (index >= 0)
        response = WithDisplayName(host, index, host->GetInputAliasText(index));
    else
        response = Expand(kAliasUsage, name);
}

void CmdBind(SInterpreter* interpreter, const char* name, int mode, SString& response) {
    if (mode == SInterpreter::kDescribe) {
        Describe(response, kBindHelp, kBindUsage, name);
        return;
    }
    SConsoleHost* host = HostOf(interpreter);
    const SString input = TakeWord(interpreter);
    if (input.IsEmpty() || host == nullptr || !host->HasInput()) {
        response = Expand(kBindUsage, name);
        return;
    }
    // The first name table that knows the input decides whether it is a key, a mouse button or
    // a joystick button.
    int codes[3] = {-1, -1, -1};
    bool recognised = false;
    const SConsoleHost::InputClass classes[] = {SConsoleHost::kInputKey, SConsoleHost::kInputMouse,
                                                SConsoleHost::kInputJoystick};
    for (SConsoleHost::InputClass inputClass : classes) {
        const int code = host->InputConfigNameToCode(inputClass, input.GetString());
        if (code >= 0) {
            codes[inputClass] = code;
            recognised = true;
            break;
        }
    }
    if (!recognised) {
        response.Format("Input '%s' not recognized.", input.GetString());
        return;
    }
    SString steps;
    SString display;
    interpreter->NextToken(steps, "\"");
    if (!steps.IsEmpty())
        interpreter->NextToken(display, "\"");
    steps = Printable(steps);
    display = Printable(display);

    if (!steps.IsEmpty()) {
        const std::vector<SString> pieces = SplitSteps(steps);
        // A single step is the command itself; several make an unnamed set of steps.
        const char* command = pieces.size() == 1 ? pieces[0].GetString() : "";
        const int index = host->AddInputCommand(command, display.GetString(), 1, codes[0], codes[1], codes[2]);
        for (const SString& piece : pieces)
            host->AddInputAlias(index, piece.GetString());
        return;
    }
    const int index = host->FindInputCommandByCodes(codes[0], codes[1], codes[2]);
    if (index < 0) {
        response = Expand(kBindUsage, name);
        return;
    }
    SString text = host->GetInputAliasText(index);
    if (text.IsEmpty())
        text = host->GetInputCommandName(index);
    response = WithDisplayName(host, index, text);
}

void CmdExec(SInterpreter* interpreter, const char* name, int mode, SString& response) {
    if (mode == SInterpreter::kDescribe) {
        Describe(response, kExecHelp, kExecUsage, name);
        return;
    }
    SString file;
    interpreter->NextToken(file, " ,");
    if (file.IsEmpty()) {
        response = Expand(kExecUsage, name);
        return;
    }
    if (file.Find('.') < 0)
        file += ".cfg";
    SString option;
    interpreter->NextToken(option, " ,");
    const bool show = option.CompareNoCase("show") == 0;
    // Every argument is read by now: running the file reuses the line buffer.
    if (SCommandInterpreter* console = ConsoleOf(interpreter))
        console->ExecFile(file, response, show);
}

void CmdHelp(SInterpreter* interpreter, const char* name, int mode, SString& response) {
    if (mode == SInterpreter::kDescribe) {
        Describe(response, kHelpHelp, kHelpUsage, name);
        return;
    }
    SConsoleHost* host = HostOf(interpreter);
    const SString topic = TakeWord(interpreter);
    const SInterpreterCommand* table = interpreter->GetCommandTable();
    if (topic.IsEmpty()) {
        std::string text = Expand(kHelpUsage, name).GetString();
        for (const SInterpreterCommand* row = table; row->name != nullptr; ++row) {
            if (row != table)
                text += ", ";
            text += row->name;
        }
        response = text.c_str();
    } else {
        for (const SInterpreterCommand* row = table; row->name != nullptr; ++row) {
            if (CompareTextNoCase(row->name, topic.GetString()) == 0) {
                row->handler(interpreter, row->name, SInterpreter::kDescribe, response);
                return;
            }
        }
    }
    // The library may know the topic, or add its own commands to the list.
    if (host != nullptr && host->HasGameLibrary()) {
        SString line(name);
        line += ' ';
        line += topic;
        host->ParseCommand(line.GetString());
    }
}

void CmdList(SInterpreter* interpreter, const char* name, int mode, SString& response) {
    if (mode == SInterpreter::kDescribe) {
        response = Expand(kListHelp, name);
        response += console::kAvailableInfo;
        response += Expand(kListUsage, name);
        return;
    }
    SConsoleHost* host = HostOf(interpreter);
    const SString topic = TakeWord(interpreter);
    if (topic.IsEmpty()) {
        response = console::kAvailableInfo;
        response += Expand(kListUsage, name);
        return;
    }
    response.Empty();
    const bool hasInput = host != nullptr && host->HasInput();
    if (topic.CompareNoCase("INPUTS") == 0) {
        if (hasInput)
            ListInputs(host, response);
    } else if (topic.CompareNoCase("CMDS") == 0) {
        if (const SDataCollection* commands = host != nullptr ? host->GetGameCommands() : nullptr)
            ListCommands(commands, response);
    } else if (topic.CompareNoCase("SETTINGS") == 0) {
        const SDataCollection* settings = host != nullptr ? host->GetGameSettings() : nullptr;
        if (settings != nullptr && host->HasConfig())
            ListSettings(host, settings, response);
    } else if (topic.CompareNoCase("FILES") == 0 && hasInput) {
        SString pattern;
        interpreter->NextToken(pattern, "\"");
        ListFiles(pattern, response);
    } else {
        ReportUnknownList(topic, response);
    }
}

void CmdSet(SInterpreter* interpreter, const char* name, int mode, SString& response) {
    if (mode == SInterpreter::kDescribe) {
        Describe(response, kSetHelp, kSetUsage, name);
        return;
    }
    SConsoleHost* host = HostOf(interpreter);
    const SString variable = TakeWord(interpreter);
    SString value;
    interpreter->NextToken(value, "\"");
    if (variable.IsEmpty()) {
        response += Expand(kSetUsage, name);
        return;
    }
    if (host == nullptr || !host->HasConfig())
        return;

    if (!value.IsEmpty()) {
        if (host->SetConfigVariable(variable.GetString(), value.GetString()))
            return;
        if (SDataCollection* store = host->GetVariableStore()) {
            const int index = store->FindByName(variable.GetString());
            if (index >= 0) {
                store->Set(index, variable, value, 0);
                host->SetDisplayFlags(store->GetIntByName("APP_FPS") != 0, store->GetIntByName("APP_INPUT") != 0,
                                      store->GetIntByName("APP_LAYOUT") != 0, store->GetIntByName("APP_CLIENT"));
                return;
            }
        }
        if (host->HasGameLibrary()) {
            SString line;
            line.Format("%s %s \"%s\"", name, variable.GetString(), value.GetString());
            host->ParseCommand(line.GetString());
        }
        return;
    }

    SString current;
    if (!host->GetConfigVariable(variable.GetString(), current)) {
        if (const SDataCollection* settings = host->GetGameSettings()) {
            const int count = ElementCount(settings);
            for (int i = 0; i < count; ++i) {
                if (CompareTextNoCase(settings->GetName(i).GetString(), variable.GetString()) == 0)
                    current = settings->GetValue(i);
            }
        }
    }
    if (!current.IsEmpty())
        response.Format("%s is \"%s\"", variable.GetString(), current.GetString());
    else
        response.Format("%s not found.", variable.GetString());
}

void CmdSound(SInterpreter* interpreter, const char* name, int mode, SString& response) {
    if (mode == SInterpreter::kDescribe) {
        Describe(response, kSoundHelp, kSoundUsage, name);
        return;
    }
    SConsoleHost* host = HostOf(interpreter);
    const SString action = TakeWord(interpreter);
    if (action.IsEmpty()) {
        response += Expand(kSoundUsage, name);
        return;
    }
    if (action.CompareNoCase("SHOW") == 0 && host != nullptr)
        host->SetSoundStatsOverlay(!host->GetSoundStatsOverlay());
}

void CmdUnbound(SInterpreter* interpreter, const char* name, int mode, SString& response) {
    if (mode == SInterpreter::kDescribe) {
        Describe(response, kUnboundHelp, nullptr, name);
        return;
    }
    SConsoleHost* host = HostOf(interpreter);
    if (host == nullptr || !host->HasInput())
        return;
    response = host->ListUnboundInputCommands();
    if (response.IsEmpty())
        response = kAllBound;
}

void CmdObject(SInterpreter* interpreter, const char* name, int mode, SString& response) {
    if (mode == SInterpreter::kDescribe) {
        Describe(response, kObjectHelp, kObjectUsage, name);
        return;
    }
    SConsoleHost* host = HostOf(interpreter);
    const SString word = TakeWord(interpreter);
    if (host == nullptr || !host->HasGameLibrary())
        return;
    if (!host->AreObjectCommandsEnabled()) {
        response = kObjectsDisabled;
        return;
    }
    // The library opens the block; the lines that follow reach it while the block is open.
    SString line(name);
    line += ' ';
    line += word;
    host->ObjectParse(line.GetString());
}

void CmdParser(SInterpreter* interpreter, const char* name, int mode, SString& response) {
    if (mode == SInterpreter::kDescribe) {
        Describe(response, kParserHelp, kParserUsage, name);
        return;
    }
    SConsoleHost* host = HostOf(interpreter);
    SString parameter;
    interpreter->NextToken(parameter, " ,");
    const bool hasRenderer = host != nullptr && host->HasRenderer();
    if (parameter.CompareNoCase("LOG") == 0) {
        if (hasRenderer)
            host->RendererStatusLog();
        return;
    }
    if (parameter.CompareNoCase("SHOT") == 0) {
        int viewDistance = kShotViewDistance;
        float height = kShotHeight;
        int fogStart = kShotFogStart;
        int fogEnd = kShotFogEnd;
        SString argument;
        interpreter->NextToken(argument, " ,");
        if (!argument.IsEmpty())
            viewDistance = std::atoi(argument.GetString());
        interpreter->NextToken(argument, " ,");
        if (!argument.IsEmpty())
            height = static_cast<float>(std::atof(argument.GetString()));
        interpreter->NextToken(argument, " ,");
        if (!argument.IsEmpty())
            fogStart = std::atoi(argument.GetString());
        interpreter->NextToken(argument, " ,");
        if (!argument.IsEmpty())
            fogEnd = std::atoi(argument.GetString());
        // Without a renderer there is no camera to place and no view worth a picture.
        if (hasRenderer) {
            host->RendererOverheadShot(viewDistance, height, fogStart, fogEnd);
            host->SaveScreenShot();
        }
        return;
    }
    response = Expand(kParserUsage, name);
}

void CmdExit(SInterpreter* interpreter, const char* name, int mode, SString& response) {
    if (mode == SInterpreter::kDescribe) {
        Describe(response, kExitHelp, kExitUsage, name);
        return;
    }
    SConsoleHost* host = HostOf(interpreter);
    if (host != nullptr && host->IsGameScreenCurrent())
        host->EndGame();
}

void CmdComm(SInterpreter* interpreter, const char* name, int mode, SString& response) {
    if (mode == SInterpreter::kDescribe) {
        Describe(response, kCommHelp, kCommUsage, name);
        return;
    }
    SConsoleHost* host = HostOf(interpreter);
    SString parameter;
    interpreter->NextToken(parameter, "\"");
    if (parameter.CompareNoCase("STATS") == 0 && host != nullptr)
        host->ParseCommand("COMMSTATS");
}
