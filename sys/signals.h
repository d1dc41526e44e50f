#pragma once

// Termination requests from outside the program (Ctrl+C in the terminal, SIGTERM from a
// service manager, SIGHUP when the terminal or the ssh link goes). A signal handler may do
// almost nothing safely, so the handler only sets a flag; the message pump takes it on its next
// pass and closes the main window as a user would, so that shut-down runs in order and the
// configuration is saved.
namespace sys::signals {

// Installs the handler for each of SIGINT, SIGTERM and SIGHUP that the program was not started
// with ignored, and ignores SIGPIPE and SIGXFSZ, so that output to a pipe or socket nobody reads,
// or a file past the size limit, fails instead of ending the program. Safe to call more than
// once.
void InstallCloseHandler();
// Puts each close signal that carries the handler back to its default, for a child process that
// must end at one as any program would; one the program was started with ignored stays ignored.
// Safe between fork and exec.
void RemoveCloseHandler();
// True once after a termination signal arrived since the last call; clears the request.
bool TakeCloseRequest();
// True while a request waits, which it leaves for the message pump: for long work that runs
// before the pump does, such as the start-up scripts, to stop at.
bool IsCloseRequested();
// True from the first request of the run on, taken or not: the program is then closing, and a
// wait that begins in its shut-down (a box about a save that failed) keeps nobody waiting.
bool IsClosing();
// Makes a request as a signal would; for tests of the code that reads it.
void RequestClose();

}  // namespace sys::signals
