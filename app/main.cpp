// The program's entry routine: the command line first (it answers --help and --version without a
// display), then the runtime, the game's globals, the start window and the message loop until the
// last window is gone.
#include <unistd.h>

#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "game/game_menu.h"
#include "game/handlers.h"
#include "game/play/session.h"
#include "game/record_file.h"
#include "game/units.h"
#include "game/window_host.h"
#include "runtime/lifecycle.h"
#include "runtime/system/desktop_services.h"
#include "runtime/system/translations.h"
#include "runtime/windows/window_manager.h"
#include "ui/extra_windows.h"

namespace {

void ScaleAsChosen() {
  if (std::getenv("QT_SCALE_FACTOR") != nullptr) return;
  const int32_t halves = game::WindowGame::BoardScale();
  if (halves == 3) setenv("QT_SCALE_FACTOR", "1.5", 1);
  if (halves == 4) setenv("QT_SCALE_FACTOR", "2", 1);
}

void StartAgain(const char* program) {
  std::error_code error;
  const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
  const char* args[] = {program, "--resume", nullptr};
  execv(self.c_str(), const_cast<char* const*>(args));
  std::perror("xiangqi: cannot start again");
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const std::string_view program = "xiangqi";
  const app::CommandLine line = app::ParseCommandLine(args);
  if (auto status = app::AnswerWithoutWindow(line, program, game::KeysHelpText())) return *status;

  // 放大棋盘: the whole window at the size chosen, unless the desktop set a scale of its own.
  ScaleAsChosen();
  // Qt hears only the program's name: the options are ours, and a record whose name starts like
  // one of Qt's options is still a record.
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication application(qtArgc, argv);
  // One look on every desktop, whatever theme the machine has.
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  // Qt's dialogs speak the program's language; without Qt's catalogue they stay in English.
  runtime::InstallDialogTranslations();
  // --level, --black and --engine hold for this run only; a choice made in the window ends them.
  game::WindowSetup setup;
  if (line.level) setup.run.level = *line.level;
  if (line.black) setup.run.colour = twoply::Colour::kBlack;
  setup.engine = line.engine;
  setup.fen = line.fen;
  setup.resume = line.resume;
  setup.extraWindows = ui::MakeExtraWindows;
  game::MainWindowHost host(std::move(setup));
  game::RegisterHandlers(&host);
  runtime::InstallDesktopServices();
  runtime::InitRuntime(argc, argv);
  runtime::InitWindowSystem();
  game::CreateGlobals();
  runtime::RegisterCleanup(game::ReleaseGlobals);
  runtime::LoadStartWindow(game::kMainWindowId);
  // A record named on the command line: a file manager opens records this way.
  if (line.record && host.Game()) game::OpenRecordAtStart(*host.Game(), line.record->c_str());
  runtime::RunMessageLoop();
  const bool restart = host.Setup().restart;
  runtime::ShutdownRuntime();
  // A new size for the board: the program again, going on with the game it kept.
  if (restart) StartAgain(argv[0]);
  return 0;
}
