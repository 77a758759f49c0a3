// A program beside ours: command lines split without a shell, lines both ways, the limits that
// keep a flooding child harmless, and ending it without zombies, orphans, leaked descriptors or
// SIGPIPE.
#include "runtime/system/child_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace {

using runtime::ChildLimits;
using runtime::ChildProcess;
using Words = std::vector<std::string>;

TEST(ChildProcess, SplitsACommandLineLikeAShellExpandingOnlyTheHomeFolder) {
  setenv("HOME", "/home/someone", 1);
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
      {"~/engines/pika ~ -x~ '~'/a ~b \\~/c",
       Words{"/home/someone/engines/pika", "/home/someone", "-x~", "~/a", "~b", "~/c"}},
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

// Whether the child's notify callback has run (on the child's thread, maybe after this is gone:
// the flag lives as long as the callback).
class Notified {
 public:
  explicit Notified(ChildProcess& child) {
    child.SetNotify([flag = flag_] {
      std::lock_guard<std::mutex> lock(flag->mutex);
      flag->told = true;
    });
  }
  bool operator()() const {
    std::lock_guard<std::mutex> lock(flag_->mutex);
    return flag_->told;
  }

 private:
  struct Flag {
    std::mutex mutex;
    bool told = false;
  };
  std::shared_ptr<Flag> flag_ = std::make_shared<Flag>();
};

TEST(ChildProcess, LinesGoBothWaysAndTheEndIsReported) {
  ChildProcess child;
  Notified notified(child);
  Started(child, {"cat"});
  EXPECT_TRUE(child.WriteLine("uci"));
  EXPECT_TRUE(child.WriteLine("position startpos\r"));
  EXPECT_EQ(Collect(child, 2), (Words{"uci", "position startpos"}));
  child.End("", 50);  // cat ends at the end of its input
  ASSERT_TRUE(child.WaitForExit(20000));
  EXPECT_EQ(child.ExitStatus(), 0);
  EXPECT_FALSE(child.WriteLine("too late"));
  EXPECT_TRUE(notified());
}

TEST(ChildProcess, ExitStatusesAndRefusals) {
  struct Case {
    Words argv;
    int status;
    std::optional<int> signal;
  } cases[] = {
      {{"sh", "-c", "echo last; exit 5"}, 5, std::nullopt},
      {{"sh", "-c", "kill -9 $$"}, 128 + 9, 9},
      {{"sh", "-c", "exit 137"}, 137, std::nullopt},  // a status, though it looks like SIGKILL
      {{"true"}, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    ChildProcess child;
    Started(child, c.argv);
    ASSERT_TRUE(child.WaitForExit(20000)) << c.argv.back();
    EXPECT_EQ(child.ExitStatus(), c.status) << c.argv.back();
    EXPECT_EQ(child.EndingSignal(), c.signal) << c.argv.back();
    EXPECT_FALSE(child.Running());
    EXPECT_TRUE(child.OutputClosed());
  }
  ChildProcess missing;
  std::string error;
  EXPECT_FALSE(missing.Start({"/no/such/engine"}, {}, &error));
  EXPECT_NE(error.find("/no/such/engine"), std::string::npos) << error;
  EXPECT_FALSE(missing.WriteLine("uci"));
  EXPECT_TRUE(missing.TakeLines().empty());
}

TEST(ChildProcess, FindsItsProgramAndStartsInTheFolderItIsGiven) {
  auto sh = runtime::FindProgram("sh");
  ASSERT_TRUE(sh);
  EXPECT_EQ(sh->front(), '/');
  EXPECT_EQ(runtime::FindProgram("tests/support/fake_engine.sh", XQ_SOURCE_DIR),
            std::string(XQ_SOURCE_DIR) + "/tests/support/fake_engine.sh");
  EXPECT_EQ(runtime::FindProgram("./support/../support/fake_engine.sh", XQ_SOURCE_DIR "/tests"),
            std::string(XQ_SOURCE_DIR) + "/tests/support/fake_engine.sh");
  for (const char* missing : {"no-such-program-anywhere", "/no/such/engine", "/tmp", ""})
    EXPECT_FALSE(runtime::FindProgram(missing)) << missing;

  ChildLimits limits;
  limits.folder = "/tmp";
  ChildProcess child;
  Started(child, {*sh, "-c", "pwd"}, limits);
  EXPECT_EQ(Collect(child, 1), Words{"/tmp"});
}

TEST(ChildProcess, OneThatClosesItsOutputButLivesOnIsTold) {
  ChildProcess child;
  Notified notified(child);
  Started(child, {"sh", "-c", "echo bye; exec >&-; sleep 30"});
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!child.OutputClosed() && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(child.OutputClosed());
  EXPECT_TRUE(child.Running());
  EXPECT_EQ(child.TakeLines(), Words{"bye"});
  EXPECT_TRUE(notified());
  child.End("", 20);
  EXPECT_TRUE(child.WaitForExit(20000));
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
  limits.keep = [](std::string_view line) { return line.substr(0, 4) == "best"; };
  ChildProcess child;
  // 1000 progress lines of two kinds, a line too long, a kept line, 1000 more, 200 kept lines.
  Started(child,
          {"sh", "-c",
           "i=0; while [ $i -lt 1000 ]; do echo \"info a$i\"; echo \"info b$i\"; i=$((i+1)); done;"
           "head -c 500 /dev/zero | tr '\\0' x; echo; echo bestmove;"
           "i=0; while [ $i -lt 1000 ]; do echo \"info a$i\"; i=$((i+1)); done;"
           "i=0; while [ $i -lt 200 ]; do echo k$i; i=$((i+1)); done; echo bestmove e2e4"},
          limits);
  ASSERT_TRUE(child.WaitForExit(20000));
  Words lines = child.TakeLines();
  ASSERT_EQ(lines.size(), 51u);
  EXPECT_EQ(Words(lines.begin(), lines.begin() + 5),
            (Words{"info a999", "info b999", "bestmove", "info a999", "k0"}));
  EXPECT_EQ(lines[49], "k45");
  EXPECT_EQ(lines.back(), "bestmove e2e4");    // a flood never pushes out the move
  EXPECT_EQ(child.DroppedLines(), 1u + 154u);  // the long line, and k46..k199
}

// The splitting itself, in pieces as a pipe may give them: lines cut anywhere, "\r\n", a last
// line without its end, and progress lines of ever new kinds, which may replace only what waits.
TEST(LineQueue, LinesInAnyPiecesAndABoundOnWhatMayBeReplaced) {
  runtime::LineLimits limits;
  limits.max_line_bytes = 8;
  limits.coalesce_key = [](std::string_view line) {
    return line.substr(0, 5) == "info " ? std::string(line.substr(5)) : std::string();
  };
  runtime::LineQueue queue(limits);
  EXPECT_FALSE(queue.Feed("uc"));
  EXPECT_FALSE(queue.Feed("iok\r"));
  EXPECT_TRUE(queue.Feed("\nid x\n\n0123456789\nre"));
  EXPECT_FALSE(queue.Feed("adyok"));
  EXPECT_FALSE(queue.Finish());
  EXPECT_EQ(queue.Take(), (Words{"uciok", "id x", "", "readyok"}));
  EXPECT_EQ(queue.Dropped(), 1u);
  for (int i = 0; i < 3000; ++i) {
    queue.Feed("info " + std::to_string(i) + "\n");
    EXPECT_LE(queue.Replaceable(), queue.Waiting());
    if (i % 7 == 0) queue.Take();
  }
  EXPECT_LE(queue.Replaceable(), limits.max_queued_lines);
}

// No child outlives the program, even one that ignores "quit" and SIGTERM: the program's end
// sends both, then SIGKILL, and reaps it.
TEST(ChildProcessDeathTest, NoneOutlivesTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string pid_file = testing::TempDir() + "child_process_orphan.pid";
  std::remove(pid_file.c_str());
  EXPECT_EXIT(
      {
        ChildProcess* child = new ChildProcess;  // never destroyed: only the end of the program
        child->Start({"sh", "-c",
                      "exec 2>/dev/null; trap '' TERM; echo $$ > '" + pid_file +
                          "'; echo up;"
                          "while :; do sleep 1; done"});
        while (child->TakeLines().empty())
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
  pid_t pid = 0;
  std::ifstream(pid_file) >> pid;
  ASSERT_GT(pid, 0);
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (kill(-pid, 0) == 0 && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_NE(kill(-pid, 0), 0) << "the child's group outlived the program";
  kill(-pid, SIGKILL);
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
