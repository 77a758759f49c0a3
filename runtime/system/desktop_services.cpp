#include "runtime/system/desktop_services.h"

#include "runtime/services.h"
#include "runtime/system/message_box.h"
#include "runtime/system/posix_services.h"

namespace runtime {

void InstallDesktopServices() {
  InstallPosixServices();
  InstallMessageBox(ShowMessageBox);
  InstallErrorReporter(ShowErrorBox);
}

}  // namespace runtime
