#include "files/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "files/WriteAll.h"
#include "messages/Format.h"
#include "messages/Messages.h"

namespace {

// `format` is a translated text with the path and then the system's reason.
std::string Reason(std::string_view format, const std::string& path, int error) {
  return msg::FmtV(format, path.c_str(), std::strerror(error));
}

// The file path names, its symbolic links followed as a direct write would
// follow them (to a file not there yet too). 0, or why it cannot be told.
int FollowLinks(std::string& path) {
  namespace fs = std::filesystem;
  constexpr int kMaxLinks = 40;  // the kernel's own limit
  fs::path p = path;
  for (int i = 0; i < kMaxLinks; ++i) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(p, ec))) {
      path = p.string();
      return 0;  // a path that cannot be looked at fails at the next call
    }
    const fs::path target = fs::read_symlink(p, ec);
    if (ec) return ec.value();
    p = target.is_absolute() ? target : p.parent_path() / target;
  }
  return ELOOP;
}

std::string DirectoryOf(const std::string& path) {
  const std::filesystem::path dir = std::filesystem::path(path).parent_path();
  return dir.empty() ? std::string(".") : dir.string();
}

// 0 when a direct write could open path (or create it), else why not; mode
// gets the permissions the written file keeps.
int CheckTarget(const std::string& path, mode_t& mode) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return errno;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
    return 0;
  }
  // Nothing but a regular file is opened: opening a device such as a serial
  // port acts on it.
  if (!S_ISREG(st.st_mode)) return EISDIR;
  mode = st.st_mode & 07777;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

// Makes the rename last. A file system that cannot sync a directory answers
// EINVAL: there is nothing to report then.
int SyncDirectory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = 0;
  if (::fsync(fd) != 0 && errno != EINVAL) error = errno;
  ::close(fd);
  return error;
}

}  // namespace

std::string WriteWholeFile(const std::string& path, std::string_view bytes) {
  std::string target = path;
  mode_t mode = 0;
  if (int error = FollowLinks(target); error != 0) return Reason(msg::Tr("Cannot create file \"%s\". %s"), path, error);
  if (int error = CheckTarget(target, mode); error != 0) return Reason(msg::Tr("Cannot create file \"%s\". %s"), path, error);
  // A short name of its own: the target's may be as long as a name can be.
  std::string temp = DirectoryOf(target) + "/.tkp-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Reason(msg::Tr("Cannot create file \"%s\". %s"), path, errno);
  int error = 0;
  if (::fchmod(fd, mode) != 0) error = errno;
  if (error == 0 && !WriteAll(fd, bytes)) error = errno;
  // The data reach the disk before the name points at them: after a crash
  // the name holds the old file or the new one.
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return Reason(msg::Tr("Cannot write file \"%s\". %s"), path, error);
  }
  error = SyncDirectory(DirectoryOf(target));
  return error == 0 ? std::string() : Reason(msg::Tr("Cannot write file \"%s\". %s"), path, error);
}

std::string ReadWholeFile(const std::string& path, std::string& out, size_t maxBytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Reason(msg::Tr("Cannot open file \"%s\". %s"), path, errno);
  struct stat st {};
  int error = 0;
  if (::fstat(fd, &st) != 0) error = errno;
  if (error == 0 && !S_ISREG(st.st_mode)) error = EISDIR;
  if (error == 0) {
    out.resize(std::min(static_cast<size_t>(st.st_size), maxBytes));
    size_t got = 0;
    while (got < out.size()) {
      ssize_t n = ::read(fd, out.data() + got, out.size() - got);
      if (n < 0) {
        if (errno == EINTR) continue;
        error = errno;
        break;
      }
      if (n == 0) break;  // the file shrank: what is there is checked
      got += static_cast<size_t>(n);
    }
    out.resize(got);
  }
  ::close(fd);
  if (error != 0) {
    out.clear();
    return Reason(msg::Tr("Cannot read file \"%s\". %s"), path, error);
  }
  return {};
}

