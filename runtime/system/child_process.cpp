#include "runtime/system/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "runtime/lifecycle.h"

extern char** environ;

namespace runtime {

namespace {

using Clock = std::chrono::steady_clock;

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

int MillisecondsUntil(Clock::time_point when) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

// How long a child that closed its output may take to be seen ending before the closing itself
// is told: an engine that exits closes its output a moment before it can be reaped.
constexpr auto kClosedOutputGrace = std::chrono::milliseconds(200);

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
    return entry->pw_dir;
  return "~";
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string CurrentFolder() {
  std::error_code error;
  return std::filesystem::current_path(error).string();
}

}  // namespace

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view line,
                                                         std::string* error) {
  auto refuse = [&](const char* why) -> std::optional<std::vector<std::string>> {
    if (error) *error = why;
    return std::nullopt;
  };
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  char quote = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quote == '\'') {
      if (c == '\'')
        quote = 0;
      else
        word += c;
    } else if (quote == '"') {
      if (c == '"') {
        quote = 0;
      } else if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
        word += line[++i];
      } else {
        word += c;
      }
    } else if (IsBlank(c)) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else if (!in_word && c == '~' &&
               (i + 1 == line.size() || line[i + 1] == '/' || IsBlank(line[i + 1]))) {
      in_word = true;
      word = HomeFolder();
    } else {
      in_word = true;
      if (c == '\'' || c == '"') {
        quote = c;
      } else if (c == '\\') {
        if (i + 1 == line.size()) return refuse("the command line ends with a backslash");
        word += line[++i];
      } else {
        word += c;
      }
    }
  }
  if (quote) return refuse("a quote of the command line is not closed");
  if (in_word) words.push_back(std::move(word));
  if (words.empty()) return refuse("the command line is empty");
  return words;
}

std::optional<std::string> FindProgram(std::string_view name, const std::string& relative_to) {
  if (name.empty()) return std::nullopt;
  namespace fs = std::filesystem;
  if (name.find('/') != std::string_view::npos) {
    fs::path path(name);
    if (path.is_relative()) path = fs::path(relative_to.empty() ? CurrentFolder() : relative_to) / path;
    std::string found = path.lexically_normal().string();
    if (IsExecutableFile(found)) return found;
    return std::nullopt;
  }
  const char* search = std::getenv("PATH");
  std::string_view folders = search != nullptr ? search : "/bin:/usr/bin";
  while (true) {
    const size_t end = folders.find(':');
    fs::path folder(folders.substr(0, end));
    if (folder.empty()) folder = ".";  // an empty entry is the current folder
    if (folder.is_relative()) folder = fs::path(CurrentFolder()) / folder;
    std::string found = (folder / name).lexically_normal().string();
    if (IsExecutableFile(found)) return found;
    if (end == std::string_view::npos) return std::nullopt;
    folders.remove_prefix(end + 1);
  }
}

struct ChildProcess::Shared {
  std::mutex mutex;
  std::condition_variable ended;
  size_t max_pending_input = 1024 * 1024;
  pid_t pid = -1;
  int to_child = -1, from_child = -1, wake_read = -1, wake_write = -1;

  // Guarded by `mutex`.
  LineQueue lines;
  std::string pending_input;
  bool input_closed = false;
  bool end_requested = false;
  std::string quit_line;
  int grace_ms = 300;
  bool reaped = false;
  bool finished = false;       // the thread is done
  bool output_closed = false;  // told: the child closed its output and lived on
  int exit_status = 0;
  int signal = 0;  // the signal that ended it, if one did

  std::mutex notify_mutex;
  std::function<void()> notify;

  ~Shared() {
    CloseFd(to_child);
    CloseFd(from_child);
    CloseFd(wake_read);
    CloseFd(wake_write);
  }

  void Wake() {
    if (wake_write < 0) return;
    char c = 1;
    ssize_t ignored = write(wake_write, &c, 1);  // a full wake pipe already wakes the thread
    (void)ignored;
  }

  void Notify() {
    std::lock_guard<std::mutex> lock(notify_mutex);
    if (notify) notify();
  }

  // Asks the thread to end the child; false when it is already being ended or is gone.
  bool RequestEnd(std::string_view line, int grace) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (pid <= 0 || end_requested || finished) return false;
      end_requested = true;
      quit_line = line;
      grace_ms = grace < 0 ? 0 : grace;
    }
    Wake();
    return true;
  }

  // SIGKILL to the child and its group unless it has been reaped (its number may then be
  // another process's). Called with `mutex` held.
  void KillLocked() {
    if (reaped || pid <= 0) return;
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
  }

  void Run();
  void TryReap();
};

namespace {

// Every child started and not yet finished, so that none outlives the program.
struct Registry {
  std::mutex mutex;
  std::vector<std::weak_ptr<ChildProcess::Shared>> children;
};

Registry& Children() {
  static Registry* registry = new Registry;  // never destroyed: it is used while the program ends
  return *registry;
}

void EndChildrenAtExit() {
  EndChildren();
}

void Register(const std::shared_ptr<ChildProcess::Shared>& child) {
  static std::once_flag once;
  std::call_once(once, [] {
    std::atexit(EndChildrenAtExit);
    AddReleaseStep(EndChildrenAtExit);  // the runtime's end after an error skips atexit
  });
  Registry& registry = Children();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::erase_if(registry.children, [](const auto& weak) { return weak.expired(); });
  registry.children.push_back(child);
}

}  // namespace

void EndChildren(int grace_ms, int timeout_ms) {
  std::vector<std::shared_ptr<ChildProcess::Shared>> alive;
  {
    Registry& registry = Children();
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (const auto& weak : registry.children)
      if (auto child = weak.lock()) alive.push_back(std::move(child));
  }
  for (const auto& child : alive) child->RequestEnd("quit", grace_ms);
  // The threads do the ending side by side; this only waits for them, within the bound.
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (const auto& child : alive) {
    std::unique_lock<std::mutex> lock(child->mutex);
    if (!child->ended.wait_until(lock, deadline, [&] { return child->finished; }))
      child->KillLocked();
  }
  deadline = Clock::now() + std::chrono::milliseconds(500);  // a killed child is reaped at once
  for (const auto& child : alive) {
    std::unique_lock<std::mutex> lock(child->mutex);
    child->ended.wait_until(lock, deadline, [&] { return child->finished; });
  }
}

void ChildProcess::Shared::TryReap() {
  std::lock_guard<std::mutex> lock(mutex);
  // Looked at without reaping first: while the child is a zombie its group id cannot be taken by
  // another process, so whatever it left running can be ended safely.
  siginfo_t info{};
  int status = 0;
  bool known = true;
  if (waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
    // Someone else reaped it (a program that ignores SIGCHLD has its children reaped for it).
    if (errno != ECHILD) return;
    known = false;
  } else {
    if (info.si_pid != pid) return;
    kill(-pid, SIGKILL);
    if (waitpid(pid, &status, 0) != pid) known = false;  // a zombie: returns at once
  }
  reaped = true;
  signal = known && WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  exit_status = !known ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  input_closed = true;
  pending_input.clear();
}

void ChildProcess::Shared::Run() {
  sigset_t pipe_signal;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);

  int stage = 0;  // 0 running, 1 asked to quit, 2 terminated, 3 killed
  Clock::time_point deadline{};
  std::optional<Clock::time_point> output_end;  // when the child closed its output
  bool idle_after_reap = false;
  char buffer[16384];
  while (true) {
    bool want_write, is_reaped, ending;
    int grace;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (end_requested && stage == 0) {
        stage = 1;
        if (!input_closed && !quit_line.empty()) pending_input += quit_line + "\n";
        deadline = Clock::now() + std::chrono::milliseconds(grace_ms);
      }
      want_write = !pending_input.empty() && to_child >= 0;
      is_reaped = reaped;
      ending = stage > 0;
      grace = grace_ms;
      if (ending && pending_input.empty()) CloseFd(to_child);  // end of input also says "quit"
      if (input_closed) CloseFd(to_child);
    }
    if (is_reaped && (from_child < 0 || idle_after_reap)) break;

    pollfd fds[3] = {
        {wake_read, POLLIN, 0}, {from_child, POLLIN, 0}, {want_write ? to_child : -1, POLLOUT, 0}};
    int timeout = is_reaped ? 0 : from_child >= 0 ? 100 : 20;
    if (ending && !is_reaped) timeout = std::min(timeout, MillisecondsUntil(deadline));
    int ready = poll(fds, 3, timeout);
    if (ready < 0 && errno != EINTR) break;

    if (ready > 0 && (fds[0].revents & POLLIN)) {
      while (read(wake_read, buffer, sizeof buffer) > 0) {
      }
    }
    bool read_something = false;
    if (ready > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
      ssize_t n = read(from_child, buffer, sizeof buffer);
      if (n > 0) {
        read_something = true;
        bool first;
        {
          std::lock_guard<std::mutex> lock(mutex);
          first = lines.Feed(std::string_view(buffer, static_cast<size_t>(n)));
        }
        if (first) Notify();
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        bool first;
        {
          std::lock_guard<std::mutex> lock(mutex);
          first = lines.Finish();
        }
        if (first) Notify();
        CloseFd(from_child);
        output_end = Clock::now();
      }
    }
    if (ready > 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      std::lock_guard<std::mutex> lock(mutex);
      ssize_t n = write(to_child, pending_input.data(), pending_input.size());
      if (n > 0) {
        pending_input.erase(0, static_cast<size_t>(n));
      } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
        input_closed = true;  // EPIPE: the child closed its input
        pending_input.clear();
      }
    }
    if (is_reaped) {
      idle_after_reap = !read_something;
      continue;
    }
    TryReap();
    if (output_end && Clock::now() - *output_end >= kClosedOutputGrace) {
      bool tell;
      {
        std::lock_guard<std::mutex> lock(mutex);
        tell = !reaped && !output_closed;
        output_closed = true;
      }
      if (tell) Notify();
    }
    if (ending && Clock::now() >= deadline && stage < 3) {
      // The group takes what the child started; the child itself too, should it have left it.
      std::lock_guard<std::mutex> lock(mutex);
      if (!reaped) {
        kill(-pid, stage == 1 ? SIGTERM : SIGKILL);
        kill(pid, stage == 1 ? SIGTERM : SIGKILL);
      }
      ++stage;
      deadline = Clock::now() + std::chrono::milliseconds(grace);
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!reaped) {  // poll failed: still no zombie left behind
      KillLocked();
      int status = 0;
      waitpid(pid, &status, 0);
      reaped = true;
      exit_status = 128 + SIGKILL;
      signal = SIGKILL;
    }
    finished = true;
    CloseFd(to_child);
    CloseFd(from_child);
  }
  ended.notify_all();
  Notify();
}

ChildProcess::ChildProcess() : shared_(std::make_shared<Shared>()) {}

ChildProcess::~ChildProcess() {
  {
    std::lock_guard<std::mutex> lock(shared_->notify_mutex);
    shared_->notify = nullptr;
  }
  End();
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const ChildLimits& limits,
                         std::string* error) {
  auto refuse = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  Shared& s = *shared_;
  if (s.pid > 0) return refuse("this child has already been started");
  if (argv.empty() || argv[0].empty()) return refuse("no program to start");
  s.lines = LineQueue(limits);
  s.max_pending_input = limits.max_pending_input;
  int input[2], output[2], wake[2];
  if (pipe2(input, O_CLOEXEC) != 0) return refuse(std::strerror(errno));
  if (pipe2(output, O_CLOEXEC) != 0) {
    int saved = errno;
    close(input[0]);
    close(input[1]);
    return refuse(std::strerror(saved));
  }
  if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    int saved = errno;
    for (int fd : {input[0], input[1], output[0], output[1]}) close(fd);
    return refuse(std::strerror(saved));
  }
  fcntl(input[1], F_SETFL, O_NONBLOCK);
  s.to_child = input[1];
  s.from_child = output[0];
  s.wake_read = wake[0];
  s.wake_write = wake[1];

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], 0);
  posix_spawn_file_actions_adddup2(&actions, output[1], 1);
  // Ours are close-on-exec; a library's may not be, and the child must hold nothing of ours.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  if (!limits.folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, limits.folder.c_str());
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> args;
  for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  int failed = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(input[0]);
  close(output[1]);
  if (failed != 0) {
    CloseFd(s.to_child);
    CloseFd(s.from_child);
    std::string why = argv[0] + ": " + std::strerror(failed);
    if (!limits.folder.empty()) why += " (in " + limits.folder + ")";
    return refuse(why);
  }
  s.pid = pid;
  Register(shared_);
  std::thread([shared = shared_] { shared->Run(); }).detach();
  return true;
}

bool ChildProcess::WriteLine(std::string_view line) {
  Shared& s = *shared_;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.pid <= 0 || s.input_closed || s.end_requested || s.finished) return false;
    if (s.pending_input.size() + line.size() + 1 > s.max_pending_input) return false;
    s.pending_input.append(line).append("\n");
  }
  s.Wake();
  return true;
}

std::vector<std::string> ChildProcess::TakeLines() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->lines.Take();
}

void ChildProcess::SetNotify(std::function<void()> notify) {
  std::lock_guard<std::mutex> lock(shared_->notify_mutex);
  shared_->notify = std::move(notify);
}

void ChildProcess::End(std::string_view quit_line, int grace_ms) {
  shared_->RequestEnd(quit_line, grace_ms);
}

bool ChildProcess::WaitForExit(int timeout_ms) {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> lock(s.mutex);
  if (s.pid <= 0) return true;
  return s.ended.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return s.finished; });
}

bool ChildProcess::Running() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->pid > 0 && !shared_->reaped;
}

bool ChildProcess::OutputClosed() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->pid > 0 && (shared_->output_closed || shared_->reaped);
}

std::optional<int> ChildProcess::ExitStatus() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  if (!shared_->reaped) return std::nullopt;
  return shared_->exit_status;
}

std::optional<int> ChildProcess::EndingSignal() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  if (!shared_->reaped || shared_->signal == 0) return std::nullopt;
  return shared_->signal;
}

uint64_t ChildProcess::DroppedLines() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->lines.Dropped();
}

int ChildProcess::Pid() const {
  return shared_->pid;
}

}  // namespace runtime
