// Who runs the program, as the system knows the account.
#pragma once

#include <string>

namespace runtime {

// The account's full name (its first comma-separated field), else its login name; empty when the
// system knows neither.
std::string AccountName();

}  // namespace runtime
