// A program beside ours: command lines split without a shell, lines both ways, the limits that
// keep a flooding child harmless, and ending it without zombies, leaked descriptors or SIGPIPE.
#include "runtime/system/child_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

namespace {

using runtime::ChildLimits;
using runtime::ChildProcess;
using Words = std::vector<std::string>;

TEST(ChildProcess, SplitsACommandLineLikeAShellWithoutExpanding) {
  struct Case {
    const char* line;
    std::optional<Words> words;
  } cases[] = {
      {"fairy-stockfish", Words{"fairy-stockfish"}},
      {"  /usr/bin/eleeye  -x\t2 ", Words{"/usr/bin/eleeye", "-x", "2"}},
      {"'/opt/my engines/pika' uci", Words{"/opt/my engines/pika", "uci"}},
      {R"("a \"b\" \\ c" d\ e)", Words{R"(a "b" \ c)", "d e"}},
      {"x'y'\"z\" $HOME *", Words{"xyz", "$HOME", "*"}},
      {"''", Words{""}},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"'open", std::nullopt},
      {"\"open", std::nullopt},
      {"trailing\\", std::nullopt},
  };
  for (const Case& c : cases) {
    std::string error;
    auto words = runtime::SplitCommandLine(c.line, &error);
    EXPECT_EQ(words, c.words) << c.line;
    EXPECT_EQ(error.empty(), c.words.has_value()) << c.line;
  }
}

// Takes lines until `count` have come or the child has ended (the wait is only a guard).
Words Collect(ChildProcess& child, size_t count) {
  Words lines;
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (lines.size() < count && std::chrono::steady_clock::now() < give_up) {
    bool ended = !child.Running();
    for (auto& line : child.TakeLines()) lines.push_back(std::move(line));
    if (ended) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return lines;
}

ChildProcess& Started(ChildProcess& child, const Words& argv, const ChildLimits& limits = {}) {
  std::string error;
  EXPECT_TRUE(child.Start(argv, limits, &error)) << error;
  return child;
}

TEST(ChildProcess, LinesGoBothWaysAndTheEndIsReported) {
  ChildProcess child;
  bool notified = false;
  std::mutex mutex;
  child.SetNotify([&] {
    std::lock_guard<std::mutex> lock(mutex);
    notified = true;
  });
  Started(child, {"cat"});
  EXPECT_TRUE(child.WriteLine("uci"));
  EXPECT_TRUE(child.WriteLine("position startpos\r"));
  EXPECT_EQ(Collect(child, 2), (Words{"uci", "position startpos"}));
  child.End("", 50);  // cat ends at the end of its input
  ASSERT_TRUE(child.WaitForExit(20000));
  EXPECT_EQ(child.ExitStatus(), 0);
  EXPECT_FALSE(child.WriteLine("too late"));
  std::lock_guard<std::mutex> lock(mutex);
  EXPECT_TRUE(notified);
}

TEST(ChildProcess, ExitStatusesAndRefusals) {
  struct Case {
    Words argv;
    int status;
  } cases[] = {
      {{"sh", "-c", "echo last; exit 5"}, 5},
      {{"sh", "-c", "kill -9 $$"}, 128 + 9},
      {{"true"}, 0},
  };
  for (const Case& c : cases) {
    ChildProcess child;
    Started(child, c.argv);
    ASSERT_TRUE(child.WaitForExit(20000)) << c.argv.back();
    EXPECT_EQ(child.ExitStatus(), c.status) << c.argv.back();
    EXPECT_FALSE(child.Running());
  }
  ChildProcess missing;
  std::string error;
  EXPECT_FALSE(missing.Start({"/no/such/engine"}, {}, &error));
  EXPECT_NE(error.find("/no/such/engine"), std::string::npos) << error;
  EXPECT_FALSE(missing.WriteLine("uci"));
  EXPECT_TRUE(missing.TakeLines().empty());
}

TEST(ChildProcess, OneThatIgnoresQuitAndSigtermIsKilledWithWhatItStarted) {
  ChildProcess child;
  // The shell ignores SIGTERM and its `sleep` holds the output pipe open: both must go.
  Started(child, {"sh", "-c", "trap '' TERM; echo up; while :; do sleep 5; done"});
  EXPECT_EQ(Collect(child, 1), Words{"up"});
  child.End("quit", 20);
  ASSERT_TRUE(child.WaitForExit(20000));
  EXPECT_EQ(child.ExitStatus(), 128 + 9);
}

TEST(ChildProcess, ADeadChildsInputNeitherKillsUsNorBlocks) {
  ChildProcess child;
  Started(child, {"sh", "-c", "exec 0<&-; echo closed; sleep 0.3"});
  EXPECT_EQ(Collect(child, 1), Words{"closed"});
  // The writes hit a closed pipe: EPIPE on the writing thread, never SIGPIPE here.
  std::string big(4096, 'x');
  for (int i = 0; i < 64 && child.WriteLine(big); ++i) {
  }
  ASSERT_TRUE(child.WaitForExit(20000));
  EXPECT_EQ(child.ExitStatus(), 0);
}

TEST(ChildProcess, FloodsAreBoundedAndProgressLinesCoalesce) {
  ChildLimits limits;
  limits.max_line_bytes = 100;
  limits.max_queued_lines = 50;
  limits.coalesce_key = [](std::string_view line) {
    return line.substr(0, 5) == "info " ? std::string(line.substr(0, 6)) : std::string();
  };
  ChildProcess child;
  // 1000 progress lines of two kinds, a line too long, a kept line, 1000 more, 200 kept lines.
  Started(child,
          {"sh", "-c",
           "i=0; while [ $i -lt 1000 ]; do echo \"info a$i\"; echo \"info b$i\"; i=$((i+1)); done;"
           "head -c 500 /dev/zero | tr '\\0' x; echo; echo bestmove;"
           "i=0; while [ $i -lt 1000 ]; do echo \"info a$i\"; i=$((i+1)); done;"
           "i=0; while [ $i -lt 200 ]; do echo k$i; i=$((i+1)); done"},
          limits);
  ASSERT_TRUE(child.WaitForExit(20000));
  Words lines = child.TakeLines();
  ASSERT_EQ(lines.size(), 50u);
  EXPECT_EQ(Words(lines.begin(), lines.begin() + 5),
            (Words{"info a999", "info b999", "bestmove", "info a999", "k0"}));
  EXPECT_EQ(lines.back(), "k45");
  EXPECT_EQ(child.DroppedLines(), 1u + 154u);  // the long line, and k46..k199
}

std::set<int> OpenDescriptors() {
  std::set<int> fds;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (dirent* entry = readdir(dir))
      if (entry->d_name[0] != '.') fds.insert(std::atoi(entry->d_name));
    closedir(dir);
  }
  return fds;
}

TEST(ChildProcess, DescriptorsAreCloseOnExecAndAllGoBack) {
  std::set<int> before = OpenDescriptors();
  {
    ChildProcess child;
    Started(child, {"cat"});
    for (int fd : OpenDescriptors()) {
      if (before.count(fd)) continue;
      int flags = fcntl(fd, F_GETFD);
      if (flags >= 0) {
        EXPECT_TRUE(flags & FD_CLOEXEC) << "descriptor " << fd;
      }
    }
    child.End();
    ASSERT_TRUE(child.WaitForExit(20000));
  }
  // The reader thread lets go of the last descriptors just after it reports the end.
  auto leaked = [&] {
    std::set<int> extra;
    for (int fd : OpenDescriptors())
      if (!before.count(fd)) extra.insert(fd);
    return extra;
  };
  for (int i = 0; i < 2000 && !leaked().empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(leaked().empty());
}

}  // namespace
