// The program's entry routine: the runtime first, then the game's globals, the start window and
// the message loop until the last window is gone.
#include <QApplication>
#include <QStyleFactory>
#include <filesystem>
#include <string>

#include "game/controller.h"
#include "game/handlers.h"
#include "game/record_file.h"
#include "runtime/lifecycle.h"
#include "runtime/windows/window_manager.h"

namespace {

constexpr runtime::WindowId kMainWindow = 0x52010001;

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // One look on every desktop, whatever theme the machine has.
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  // A record named on the command line (a file manager opens records this way), made absolute
  // before the runtime moves into the program's own folder.
  std::error_code error;
  const std::string record =
      argc > 1 ? std::filesystem::absolute(argv[1], error).string() : std::string();
  game::RegisterHandlers();
  runtime::InitRuntime(argc, argv);
  runtime::InitWindowSystem();
  game::CreateGlobals();
  runtime::RegisterCleanup(game::ReleaseGlobals);
  runtime::LoadStartWindow(kMainWindow);
  if (!record.empty()) game::OpenRecordAtStart(record.c_str());
  runtime::RunMessageLoop();
  runtime::ShutdownRuntime();
  return 0;
}
