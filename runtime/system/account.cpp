#include "runtime/system/account.h"

#include <pwd.h>
#include <unistd.h>

namespace runtime {

std::string AccountName() {
  const passwd* account = getpwuid(getuid());
  if (account == nullptr) return {};
  std::string full = account->pw_gecos != nullptr ? account->pw_gecos : "";
  full = full.substr(0, full.find(','));
  if (!full.empty()) return full;
  return account->pw_name != nullptr ? account->pw_name : "";
}

}  // namespace runtime
