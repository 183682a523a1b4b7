#pragma once
// Runs part of a test as an ordinary user. File permissions do not bind
// root, so under root that part runs in a forked child that has switched to
// the account "nobody" and hands its verdict back through a pipe. Only for
// test programs without threads of their own.
#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>

struct OrdinaryUser {
  uid_t uid;
  gid_t gid;
};

// This process's own ids when it is not root, else those of "nobody"; none
// when root has no such account.
inline std::optional<OrdinaryUser> FindOrdinaryUser() {
  if (::geteuid() != 0) return OrdinaryUser{::geteuid(), ::getegid()};
  const passwd* pw = ::getpwnam("nobody");
  if (pw == nullptr) return std::nullopt;
  return OrdinaryUser{pw->pw_uid, pw->pw_gid};
}

// body's verdict ("" when its checks passed, else what failed), run as user.
inline std::string RunAsUser(const OrdinaryUser& user, const std::function<std::string()>& body) {
  if (::geteuid() == user.uid) return body();
  int fds[2];
  if (::pipe(fds) != 0) return "pipe failed";
  const pid_t pid = ::fork();
  if (pid < 0) return "fork failed";
  if (pid == 0) {
    ::close(fds[0]);
    std::string verdict = "cannot switch to the ordinary user";
    if (::setgroups(0, nullptr) == 0 && ::setgid(user.gid) == 0 && ::setuid(user.uid) == 0)
      verdict = body();
    const ssize_t written = ::write(fds[1], verdict.data(), verdict.size());
    ::_exit(written == static_cast<ssize_t>(verdict.size()) ? 0 : 1);
  }
  ::close(fds[1]);
  std::string verdict;
  char chunk[256];
  for (ssize_t n; (n = ::read(fds[0], chunk, sizeof chunk)) > 0;) verdict.append(chunk, static_cast<size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the child ended abnormally: " + verdict;
  return verdict;
}
