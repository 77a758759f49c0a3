// The fatal runtime error: its text, its status and the clean-up it skips.
#include "runtime/error.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "runtime/heap.h"
#include "runtime/lifecycle.h"
#include "runtime/services.h"
#include "runtime/text_codec.h"
#include "tests/support/death.h"

using namespace runtime;

namespace {

TEST(ErrorTextTest, CodeAndMessageLines) {
  EXPECT_EQ(GbToUtf8(BuildErrorText(1, ErrorMessage(1))),
            "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n");
  // Command errors carry code 0: no code line.
  EXPECT_EQ(GbToUtf8(BuildErrorText(0, Gb("不能整除于零"))),
            "运行时出错!\r\n\r\n错误信息：不能整除于零\r\n");
  EXPECT_EQ(GbToUtf8(BuildErrorText(0, "")), "运行时出错!\r\n\r\n");
  EXPECT_EQ(GbToUtf8(BuildErrorText(7, "")), "运行时出错!\r\n\r\n错误代码：7\r\n\r\n");
}

TEST(ErrorTextTest, EveryCodeHasItsMessage) {
  for (int code = 1; code <= 11; ++code) EXPECT_FALSE(ErrorMessage(code).empty()) << code;
  EXPECT_TRUE(ErrorMessage(0).empty());
  EXPECT_TRUE(ErrorMessage(12).empty());
  EXPECT_EQ(GbToUtf8(ErrorMessage(10)),
            "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零");
}

std::string Marker() {
  return (std::filesystem::temp_directory_path() / ("xq-cleanup-" + std::to_string(::getpid())))
      .string();
}

std::string markerPath;
void WriteMarker() {
  if (FILE* f = std::fopen(markerPath.c_str(), "w")) std::fclose(f);
}

TEST(ErrorDeathTest, ErrorShowsBoxAndExitsWithoutCleanup) {
  markerPath = Marker();
  std::filesystem::remove(markerPath);
  EXPECT_EXIT(
      {
        RegisterCleanup(WriteMarker);
        RaiseError(1);
      },
      ::testing::ExitedWithCode(testing_support::kErrorExitStatus),
      testing_support::Literal("错误\n运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员"));
  EXPECT_FALSE(std::filesystem::exists(markerPath));
}

TEST(ErrorDeathTest, BoxIsShownOnceThroughTheHandlerWithItsCaption) {
  EXPECT_EXIT(
      {
        InstallErrorReporter([](const std::string& text, const std::string& caption) {
          std::fprintf(stderr, "[%s|%d|%s]", caption.c_str(), ErrorsInProgress(), text.c_str());
        });
        RaiseCommandError(Gb("不能求余数于零"));
      },
      ::testing::ExitedWithCode(testing_support::kErrorExitStatus),
      testing_support::Literal("[错误|1|运行时出错!\r\n\r\n错误信息：不能求余数于零\r\n]"));
}

TEST(ErrorDeathTest, AnErrorWhileTheBoxIsOpenShowsNoSecondBox) {
  EXPECT_EXIT(
      {
        InstallErrorReporter([](const std::string& text, const std::string&) {
          std::fprintf(stderr, "<box %s>", text.substr(text.rfind("：") + 3).c_str());
          RaiseError(4);  // as if the box's own event loop ran into another fault
        });
        RaiseError(1);
      },
      ::testing::ExitedWithCode(testing_support::kErrorExitStatus),
      testing_support::Literal("<box 数组成员引用下标超出定义范围\r\n>") + "$");
}

TEST(ErrorDeathTest, ExhaustionReportsTheSize) {
  EXPECT_RUNTIME_ERROR(RuntimeAlloc(size_t{1} << 62),
                       "错误信息：分配 " + std::to_string(size_t{1} << 62) + " 字节内存失败!");
}

TEST(LifecycleTest, CleanupRunsOnceOnShutdown) {
  static int runs = 0;
  RegisterCleanup([] { ++runs; });
  RegisterCleanup([] { runs += 10; });  // a later registration replaces the first
  ShutdownRuntime();
  ShutdownRuntime();
  EXPECT_EQ(runs, 10);
}

TEST(HeapTest, ConstantBlocksAreNeverFreedAndReallocCopiesThem) {
  const char* literal = static_cast<const char*>(MakeConstant("abcdef", 7));
  EXPECT_TRUE(IsConstant(literal));
  RuntimeFree(const_cast<char*>(literal));  // ignored
  RuntimeFree(nullptr);
  char* copy = static_cast<char*>(RuntimeRealloc(const_cast<char*>(literal), 4));
  EXPECT_FALSE(IsConstant(copy));
  EXPECT_EQ(std::string(copy, 4), "abcd");
  EXPECT_STREQ(literal, "abcdef");
  copy = static_cast<char*>(RuntimeRealloc(copy, 100));
  EXPECT_EQ(std::string(copy, 4), "abcd");
  RuntimeFree(copy);
}

}  // namespace
