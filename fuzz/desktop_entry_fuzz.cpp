// The desktop-file readers on arbitrary bytes, as a broken or hostile file in the user's folders
// would give them: whatever they read must be one line of that text, usable as a command.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/system/desktop_entry.h"
#include "runtime/system/web_opener.h"

namespace {

void CheckIsOneLineOf(std::string_view text, const std::string& value) {
  if (value.find_first_of("\r\n", 0) != std::string::npos) std::abort();
  if (text.find(value) == std::string_view::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (auto exec = runtime::DesktopEntryExec(text)) {
    CheckIsOneLineOf(text, *exec);
    constexpr std::string_view kAddress = "https://www.example.com/";
    std::string command = runtime::BrowserCommand(*exec, kAddress);
    if (command.size() > exec->size() + 1 + kAddress.size() || !command.ends_with(kAddress))
      std::abort();
  }
  for (std::string_view type : {"x-scheme-handler/https", "x-scheme-handler/http", "text/html"}) {
    for (const std::string& id : runtime::DefaultApplications(text, type)) {
      CheckIsOneLineOf(text, id);
      if (!id.ends_with(".desktop") || id.find('/') != std::string::npos) std::abort();
    }
  }
  return 0;
}
