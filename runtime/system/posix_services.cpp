#include "runtime/system/posix_services.h"

#include "runtime/services.h"
#include "runtime/system/clock.h"
#include "runtime/system/files.h"

namespace runtime {

void InstallPosixServices() {
  InstallClock(MillisecondsSinceBoot);
  InstallFileSystem({ReadWholeFile, ReplaceFile});
}

}  // namespace runtime
