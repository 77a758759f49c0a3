// The program's entry routine: the runtime first, then the game's globals, the start window and
// the message loop until the last window is gone.
#include <QApplication>
#include <QStyleFactory>

#include "game/controller.h"
#include "game/handlers.h"
#include "game/record_file.h"
#include "game/units.h"
#include "runtime/lifecycle.h"
#include "runtime/system/desktop_services.h"
#include "runtime/windows/window_manager.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // One look on every desktop, whatever theme the machine has.
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  game::RegisterHandlers();
  runtime::InstallDesktopServices();
  runtime::InitRuntime(argc, argv);
  runtime::InitWindowSystem();
  game::CreateGlobals();
  runtime::RegisterCleanup(game::ReleaseGlobals);
  runtime::LoadStartWindow(game::kMainWindowId);
  // A record named on the command line: a file manager opens records this way.
  if (argc > 1) game::OpenRecordAtStart(argv[1]);
  runtime::RunMessageLoop();
  runtime::ShutdownRuntime();
  return 0;
}
