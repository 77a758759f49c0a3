#include "runtime/lifecycle.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "runtime/windows/window_template.h"

namespace runtime {

namespace {

CleanupRoutine cleanup = nullptr;
bool shutDown = false;

std::vector<void (*)()>& ShutdownSteps() {
  static std::vector<void (*)()> steps;
  return steps;
}

void RunShutdownSteps() {
  auto& steps = ShutdownSteps();
  while (!steps.empty()) {
    auto step = steps.back();
    steps.pop_back();
    step();
  }
}

}  // namespace

void InitRuntime(int argc, char** argv) {
  (void)argc;
  (void)argv;
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && self.has_parent_path()) std::filesystem::current_path(self.parent_path(), ec);
  shutDown = false;
  // The game has registered its handlers by now; the bindings resolve against them.
  LoadWindowTemplate();
}

void RegisterCleanup(CleanupRoutine routine) {
  cleanup = routine;
}

void AddShutdownStep(void (*step)()) {
  ShutdownSteps().push_back(step);
}

void ShutdownRuntime() {
  if (shutDown) return;
  shutDown = true;
  RunShutdownSteps();
  CleanupRoutine routine = cleanup;
  cleanup = nullptr;
  if (routine != nullptr) routine();
}

void ForgetCleanup() {
  cleanup = nullptr;
}

void ExitAfterError() {
  // The runtime's own steps only; static destructors are skipped because the error may have
  // been raised from anywhere, half-way through anything.
  if (!shutDown) {
    shutDown = true;
    RunShutdownSteps();
  }
  std::fflush(nullptr);
  std::_Exit(-1);
}

}  // namespace runtime
