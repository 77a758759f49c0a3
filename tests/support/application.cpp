#include "tests/support/application.h"

namespace testing_support {

QApplication& TestApplication() {
  // QApplication keeps a reference to argc and the argv strings, so they must outlive it.
  static int argc = 1;
  static char name[] = "xiangqi-test";
  static char* argv[] = {name, nullptr};
  static auto* application = new QApplication(argc, argv);
  return *application;
}

}  // namespace testing_support

// fontconfig keeps its configuration and the patterns Qt matches for font fallback until the
// process ends and never frees them; that is not ours to find under the leak checker.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
