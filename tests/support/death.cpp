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
// Death tests re-run the test program, which is safe next to Qt's threads. The flag is set when the
// tests start, not during static initialisation, when gtest's own flags may not exist yet.
class ThreadsafeDeathTests : public ::testing::Environment {
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};
const auto* registered = ::testing::AddGlobalTestEnvironment(new ThreadsafeDeathTests);
}  // namespace

}  // namespace testing_support

// A huge allocation must come back null so that the runtime reports it, as it does without the
// address sanitizer.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}
