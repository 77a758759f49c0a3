// The fatal runtime error: one box captioned "错误", then the process ends with status -1 (255 to
// a POSIX parent) without the game's clean-up.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace runtime {

// The error codes that the runtime raises itself.
enum ErrorCode : int32_t {
  kIndexAboveRange = 1,
  kNotANumber = 2,
  kWrongIndexCount = 3,
  kIndexBelowOne = 4,
  kKindMismatch = 5,
  kStackImbalance = 6,
  kNoValueReturned = 7,
  kOnlyEqualityComparable = 8,
  kChoiceOutOfRange = 9,
  kBadRedimension = 10,
  kWrongArgumentKind = 11,
};

// The message of a code 1..11 in GB18030; empty for any other code.
std::string ErrorMessage(int32_t code);
// The box text: "运行时出错!", the code line when code != 0, the message line when it is not empty.
std::string BuildErrorText(int32_t code, std::string_view gbMessage);

[[noreturn]] void RaiseError(int32_t code);
// Errors of commands carry code 0 and their own message (GB18030).
[[noreturn]] void RaiseCommandError(std::string_view gbMessage);
[[noreturn]] void ReportRuntimeError(int32_t code, std::string_view gbMessage);

// While above 0, no event reaches the game.
int ErrorsInProgress();

}  // namespace runtime
