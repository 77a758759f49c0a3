// The services the program installs at start, installed before any test of a module above the
// core runs, as the entry routine does before the runtime starts.
#include "runtime/system/desktop_services.h"

namespace testing_support {

namespace {

[[maybe_unused]] const bool installed = (runtime::InstallDesktopServices(), true);

}  // namespace

}  // namespace testing_support
