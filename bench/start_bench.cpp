// The program's start, from exec to the main window on the screen, and what each part costs.
//
// ExecToExit runs the built program with --version: the loader binding Qt's libraries and the
// static start-up, which every start pays before main. StartToWindowShown forks a child that
// does what main does after the command line, until the main window is exposed on the platform
// (offscreen unless QT_QPA_PLATFORM names another, xcb on a display for the real thing), and
// reports each step's time as a counter. The two together are the start a person waits for.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <QWindow>
#include <array>
#include <cstdlib>

#include "bench/window_game.h"
#include "game/handlers.h"
#include "game/play/session.h"
#include "game/units.h"
#include "runtime/lifecycle.h"
#include "runtime/system/desktop_services.h"
#include "runtime/system/translations.h"
#include "runtime/windows/unit.h"
#include "runtime/windows/window_manager.h"

extern char** environ;

namespace {

constexpr const char* kProgram = XQ_BINARY_DIR "/app/xiangqi";

void BM_ExecToExit(benchmark::State& state) {
  for (auto _ : state) {
    char* argv[] = {const_cast<char*>(kProgram), const_cast<char*>("--version"), nullptr};
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid, kProgram, &actions, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot start the program");
      break;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
  }
}
BENCHMARK(BM_ExecToExit)->Unit(benchmark::kMillisecond)->UseRealTime();

// The steps of main after the command line, in its order.
enum Part { kApplication, kRuntime, kWindowSystem, kMainWindow, kShown, kParts };
constexpr const char* kPartNames[kParts] = {"application", "runtime", "window_system",
                                            "main_window", "shown"};

[[noreturn]] void StartInChild(int out) {
  std::array<double, kParts> ms{};
  QElapsedTimer clock;
  clock.start();
  auto mark = [&](Part part) { ms[part] = double(clock.nsecsElapsed()) / 1e6; };
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char* argv[] = {const_cast<char*>("xiangqi"), nullptr};
  QApplication application(argc, argv);
  runtime::InstallDialogTranslations();
  mark(kApplication);
  game::RegisterHandlers(&bench::Host());
  runtime::InstallDesktopServices();
  runtime::InitRuntime(argc, argv);
  mark(kRuntime);
  runtime::InitWindowSystem();
  game::CreateGlobals();
  mark(kWindowSystem);
  runtime::LoadStartWindow(game::kMainWindowId);
  mark(kMainWindow);
  QWidget* window = runtime::LiveUnit(game::kMainWindowId, game::MainWindow.unit)->Widget();
  while (window->windowHandle() == nullptr || !window->windowHandle()->isExposed())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  QCoreApplication::processEvents();  // the first paint
  mark(kShown);
  (void)!write(out, ms.data(), sizeof(ms));
  _exit(0);
}

void BM_StartToWindowShown(benchmark::State& state) {
  std::array<double, kParts> total{};
  for (auto _ : state) {
    int fds[2];
    if (pipe(fds) != 0) {
      state.SkipWithError("no pipe");
      break;
    }
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      StartInChild(fds[1]);
    }
    close(fds[1]);
    std::array<double, kParts> ms{};
    const bool read_all = read(fds[0], ms.data(), sizeof(ms)) == ssize_t(sizeof(ms));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!read_all) {
      state.SkipWithError("the start did not finish");
      break;
    }
    state.SetIterationTime(ms[kShown] / 1e3);
    for (int i = 0; i < kParts; ++i) total[i] += ms[i] - (i > 0 ? ms[i - 1] : 0.0);
  }
  for (int i = 0; i < kParts; ++i)
    state.counters[std::string(kPartNames[i]) + "_ms"] =
        benchmark::Counter(total[i] / double(state.iterations()));
}
BENCHMARK(BM_StartToWindowShown)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

}  // namespace
