#include "UnitProcess.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

extern char** environ;

bool UnitProcess::Start(const std::string& exe, int units, const std::string& ini) {
  int in[2], out[2];
  if (pipe(in) != 0) return false;
  if (pipe(out) != 0) {
    close(in[0]);
    close(in[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<std::string> args = {exe, "--units", std::to_string(units), "--baud", "1000000", "--ini", ini};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int rc = posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  to_ = fdopen(in[1], "w");
  from_ = fdopen(out[0], "r");
  if (rc != 0) {
    pid_ = -1;
    return false;
  }
  for (int i = 0; i < units; ++i) {
    if (Line().empty()) return false;  // the device paths
  }
  return true;
}

UnitProcess::~UnitProcess() {
  if (to_) {
    if (pid_ > 0) Send("quit");
    std::fclose(to_);
  }
  if (from_) std::fclose(from_);
  if (pid_ > 0) waitpid(pid_, nullptr, 0);
}

void UnitProcess::Send(const char* command) {
  std::fprintf(to_, "%s\n", command);
  std::fflush(to_);
}

std::map<std::string, double> UnitProcess::Stats() {
  Send("stats");
  std::map<std::string, double> figures;
  for (std::string line = Line(); !line.empty(); line = Line()) {
    const size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    const std::string name = line.substr(0, blank);
    if (name == "stats_end") break;
    figures[name] = std::atof(line.c_str() + blank + 1);
  }
  return figures;
}

std::string UnitProcess::Line() {
  char buffer[512];
  if (!std::fgets(buffer, sizeof buffer, from_)) return {};
  std::string line(buffer);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}
