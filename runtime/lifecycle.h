// Start and end of the runtime, and the game's one clean-up routine.
#pragma once

#include <string>

namespace runtime {

using CleanupRoutine = void (*)();

// First call of the entry routine (after the layer above has installed the core's services, see
// runtime/services.h): the working folder becomes the program's own folder.
void InitRuntime(int argc, char** argv);
// The folder the program was started from, before InitRuntime moved into the program's own (the
// current folder until then): the folder a file dialog offers when it is given none, and the one
// a relative name on the command line is taken from.
std::string StartingFolder();
// Remembers the game's clean-up routine; a later call replaces it.
void RegisterCleanup(CleanupRoutine routine);
// The runtime's own closing steps. Shutdown steps (the windows) run before the game's clean-up,
// release steps (pictures, libraries) after it; after an error both run without the clean-up.
// Within each list later registrations run first.
void AddShutdownStep(void (*step)());
void AddReleaseStep(void (*step)());
// The normal end: the shutdown steps, the game's clean-up, the release steps, once; later calls
// do nothing.
void ShutdownRuntime();

// After a runtime error: the clean-up is forgotten and the process ends with status -1.
void ForgetCleanup();
[[noreturn]] void ExitAfterError();

}  // namespace runtime
