#pragma once

#include "core/SCommandInterpreter.h"
#include "core/SString.h"

// The thirteen commands the console understands by itself, as one table of name and handler
// rows ended by a null name; SCommandInterpreter searches it and HELP lists it in row order.
// The handlers are plain functions without state: they read their arguments from the
// interpreter's line, reach everything else through its console host, and answer only in the
// response text.
namespace console {

// ALIAS, BIND, EXEC, HELP, ?, LIST, SET, SOUND, UNBOUND, OBJECT, PARSER, EXIT, COMM, then the
// end row.
extern const SInterpreterCommand kBuiltinCommands[];
constexpr int kBuiltinCount = 13;

// The list topics LIST knows, as it tells users.
constexpr const char* kAvailableInfo = "Available Info: INPUTS CMDS SETTINGS FILES\n";

}  // namespace console

void CmdAlias(SInterpreter* interpreter, const char* name, int mode, SString& response);
void CmdBind(SInterpreter* interpreter, const char* name, int mode, SString& response);
void CmdExec(SInterpreter* interpreter, const char* name, int mode, SString& response);
void CmdHelp(SInterpreter* interpreter, const char* name, int mode, SString& response);
void CmdList(SInterpreter* interpreter, const char* name, int mode, SString& response);
void CmdSet(SInterpreter* interpreter, const char* name, int mode, SString& response);
void CmdSound(SInterpreter* interpreter, const char* name, int mode, SString& response);
void CmdUnbound(SInterpreter* interpreter, const char* name, int mode, SString& response);
void CmdObject(SInterpreter* interpreter, const char* name, int mode, SString& response);
void CmdParser(SInterpreter* interpreter, const char* name, int mode, SString& response);
void CmdExit(SInterpreter* interpreter, const char* name, int mode, SString& response);
void CmdComm(SInterpreter* interpreter, const char* name, int mode, SString& response);
