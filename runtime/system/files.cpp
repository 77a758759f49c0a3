#include "runtime/system/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>

namespace runtime {

namespace {

// Records errno's reason and gives false, for the failing step of an operation.
bool Fail(int error) {
  NoteFileError(std::strerror(error));
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

// The file `path` finally names after every symbolic link on the way (relative links are taken
// from the link's own folder); `path` itself when it is no link or does not exist. Gives the
// errno of a failure, ELOOP for a cycle.
int FollowLinks(const std::string& path, std::string& target) {
  target = path;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
    std::string link(PATH_MAX, '\0');
    ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
    if (n < 0) return errno;
    if (size_t(n) >= link.size()) return ENAMETOOLONG;
    link.resize(size_t(n));
    if (link.empty()) return ENOENT;
    target = link.front() == '/' ? link : FolderOf(target) + "/" + link;
  }
  return ELOOP;
}

// Opens a new file with a name of its own in `folder`, created with `mode` (less the umask).
int CreateBeside(const std::string& folder, mode_t mode, std::string& name) {
  static std::atomic<uint32_t> counter{0};
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%08x%04x", random(), counter++ & 0xFFFF);
    name = folder + "/.xq-write-" + suffix;
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

void SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

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
  if (ok) NoteFileError({});
  return ok;
}

bool ReplaceFile(const std::string& path, std::span<const std::span<const uint8_t>> parts) {
  if (path.empty()) return Fail(ENOENT);
  if (path.back() == '/') return Fail(EISDIR);
  // A link is written through: the file it names gets the new content and the link stays.
  std::string target;
  if (int error = FollowLinks(path, target); error != 0) return Fail(error);
  struct stat old {};
  bool existed = ::stat(target.c_str(), &old) == 0;
  // Never replace a folder or anything else that is not a file.
  if (existed && !S_ISREG(old.st_mode)) return Fail(S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
  std::string folder = FolderOf(target);
  std::string temp;
  // A new file gets what an ordinary new file would: the system applies the umask to 0666.
  int fd = CreateBeside(folder, existed ? 0600 : 0666, temp);
  if (fd < 0) return Fail(errno);
  bool ok = true;
  for (auto part : parts) ok = ok && WriteAll(fd, part);
  if (ok && existed) {
    // The replacement keeps the owner, group and mode the user had given the file; the owner and
    // group only where the process may set them (the owner before the mode, which a change of
    // owner may clear bits of).
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
      if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)!::fchown(fd, uid_t(-1), old.st_gid);
    ok = ::fchmod(fd, old.st_mode & 07777) == 0 || Fail(errno);
  }
  ok = ok && (::fsync(fd) == 0 || Fail(errno));
  ok = (::close(fd) == 0 || Fail(errno)) && ok;
  ok = ok && (::rename(temp.c_str(), target.c_str()) == 0 || Fail(errno));
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  SyncFolder(folder);
  NoteFileError({});
  return true;
}

}  // namespace runtime
