#include "runtime/system/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace runtime {

namespace {

std::string& LastError() {
  static std::string reason;
  return reason;
}

// Records errno's reason and gives false, for the failing step of an operation.
bool Fail(int error) {
  LastError() = std::strerror(error);
  return false;
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno);
    if (n == 0) return Fail(ENOSPC);
    bytes = bytes.subspan(size_t(n));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::string LastFileFailure() {
  return LastError();
}

void NoteFileError(std::string reason) {
  LastError() = std::move(reason);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return Fail(errno);
  struct stat st {};
  // Only regular files: a FIFO or a device would block or never end.
  bool ok = true;
  if (::fstat(fd, &st) != 0)
    ok = Fail(errno);
  else if (!S_ISREG(st.st_mode))
    ok = Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  else if (st.st_size > INT32_MAX - 8)
    ok = Fail(EFBIG);
  if (ok) {
    bytes.resize(size_t(st.st_size));
    size_t done = 0;
    while (ok && done < bytes.size()) {
      ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0)
        ok = Fail(errno);
      else if (n == 0)
        ok = Fail(EIO);  // the file shrank while it was read
      else
        done += size_t(n);
    }
  }
  ::close(fd);
  if (!ok) bytes.clear();
  if (ok) LastError().clear();
  return ok;
}

bool ReplaceFile(const std::string& path, std::span<const std::span<const uint8_t>> parts) {
  if (path.empty()) return Fail(ENOENT);
  if (path.back() == '/') return Fail(EISDIR);
  std::string folder = FolderOf(path);
  std::string temp = folder + "/.xq-write-XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return Fail(errno);
  bool ok = true;
  for (auto part : parts) ok = ok && WriteAll(fd, part);
  // The new file gets the permissions an ordinary new file would have.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ok = ok && (::fchmod(fd, 0666 & ~mask) == 0 || Fail(errno));
  ok = ok && (::fsync(fd) == 0 || Fail(errno));
  ok = (::close(fd) == 0 || Fail(errno)) && ok;
  struct stat st {};
  // Never replace a folder or anything else that is not a file.
  if (ok && ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    ok = Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  ok = ok && (::rename(temp.c_str(), path.c_str()) == 0 || Fail(errno));
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  SyncFolder(folder);
  LastError().clear();
  return true;
}

}  // namespace runtime
