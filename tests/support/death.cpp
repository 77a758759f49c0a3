#include "tests/support/death.h"

namespace testing_support {

std::string Literal(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

namespace {
// Death tests re-run the test program, which is safe next to Qt's threads.
struct ThreadsafeDeathTests {
  ThreadsafeDeathTests() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
} threadsafe;
}  // namespace

}  // namespace testing_support
