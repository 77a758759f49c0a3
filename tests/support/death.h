// Helpers for tests of the fatal runtime error, which ends the process.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

// A regular expression that matches the text literally (the box text is full of punctuation).
std::string Literal(const std::string& text);

// The exit status a POSIX parent sees for the runtime's -1.
inline constexpr int kErrorExitStatus = 255;

}  // namespace testing_support

// Runs the statement in a child process and expects it to end as a runtime error whose box text
// (written to standard error when there is no display) contains `text`.
#define EXPECT_RUNTIME_ERROR(statement, text)                                          \
  EXPECT_EXIT(statement, ::testing::ExitedWithCode(testing_support::kErrorExitStatus), \
              testing_support::Literal(text))
