// Loads a data file as the program does and prints how long it took.
//   loadbench FILE   one file, chosen by its extension, for a 128 MiB chip
//   loadbench --project   a project of a 128 MiB image saved and loaded back
//   loadbench        a 128 MiB image in the three formats, each loaded in a
//                    child process, the project in another, and srec_cat on
//                    the HEX one if installed
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ImageFiles.h"
#include "files/DataLoad.h"
#include "files/ProjectFile.h"
#include "protocol/JobState.h"

extern char** environ;

namespace {

constexpr uint32_t kChipSize = 128u << 20;

// The log and boxes go nowhere; the bench wants the work, not the text.
struct QuietView : IView {
  void AppendLogLine(const std::string&) override {}
  void SetStatusPanel(int, const std::string&) override {}
  void ShowMessage(const std::string&) override {}
  void SetInfoPanel(const std::string&) override {}
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void ChooseChip(JobState& js) {
  js.ChipSelected = 1;
  js.ChipFamily = 0;  // SPI NOR flash: the range is trimmed
  js.ChipSize = kChipSize;
  js.ChipSizeCopy = kChipSize;
}

// Reads the file once so both timings see it in the page cache.
void WarmUp(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return;
  std::vector<char> block(1 << 20);
  while (std::fread(block.data(), 1, block.size(), f) == block.size()) {
  }
  std::fclose(f);
}

int LoadOne(const std::string& path) {
  WarmUp(path);
  auto js = std::make_unique<JobState>();
  QuietView view;
  InitChipParams(*js);
  js->LogMemo = &view;
  ChooseChip(*js);

  // The reader alone, into an erased buffer.
  auto t0 = std::chrono::steady_clock::now();
  ReadOutcome outcome = LoadDataFile(*js, path);
  double readSeconds = Seconds(t0);
  if (!outcome.Ok()) {
    std::printf("refused %u %s\n", outcome.line,
                outcome.status == ReadStatus::BadRecord ? outcome.reason.c_str() : "cannot read the file");
    return 1;
  }

  // The whole load: 0xFF fill, reading, checksums, trimming, log lines.
  t0 = std::chrono::steady_clock::now();
  bool loaded = OpenDataFile(*js, path);
  double totalSeconds = Seconds(t0);
  if (!loaded) {
    std::printf("refused 0 load failed\n");
    return 1;
  }

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("read_s %.3f\n", readSeconds);
  std::printf("load_total_s %.3f\n", totalSeconds);
  std::printf("peak_rss_mb %.1f\n", usage.ru_maxrss / 1024.0);
  std::printf("file_start 0x%X\n", js->FileStartAddr);
  std::printf("file_end 0x%X\n", js->FileEndAddr);
  std::printf("file_acc32 0x%08X\n", js->LoadSum);
  std::printf("file_crc32 0x%08X\n", js->FileCRC32);
  return 0;
}

uint64_t ImageHash(const uint8_t* p, size_t n) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a over 8-byte words
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t v;
    std::memcpy(&v, p + i, 8);
    h = (h ^ v) * 1099511628211ull;
  }
  for (; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

// Saves the project of a whole 128 MiB image and loads it into a fresh job
// as the project commands do; each job is gone before the next one starts.
int ProjectRoundTrip() {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("loadbench_prj_" + std::to_string(getpid()));
  fs::create_directories(folder);
  const std::string path = (folder / "image.TKP").string();
  ProjectControls controls;
  controls.ChipName = "1024M Bits(1024Mbit)";
  controls.ProductText = path;

  uint64_t savedHash = 0;
  {
    auto js = std::make_unique<JobState>();
    InitChipParams(*js);
    ChooseChip(*js);
    js->DataEnd = kChipSize - 1;
    // The same pseudo-random bytes as the data files.
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (uint32_t i = 0; i < kChipSize; ++i) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      js->DataBuffer[i] = static_cast<uint8_t>(state >> 24);
    }
    savedHash = ImageHash(js->DataBuffer.get(), kDataBufferSize);
    auto t0 = std::chrono::steady_clock::now();
    std::string error = SaveProjectFile(*js, controls, path);
    double saveSeconds = Seconds(t0);
    if (!error.empty()) {
      std::printf("project_save_failed %s\n", error.c_str());
      return 1;
    }
    std::printf("project_save_s %.3f\n", saveSeconds);
    std::printf("project_file_mb %.1f\n", fs::file_size(path) / 1e6);
  }
  WarmUp(path);

  auto js = std::make_unique<JobState>();
  InitChipParams(*js);
  auto t0 = std::chrono::steady_clock::now();
  std::string file;
  std::string error = ReadWholeFile(path, file, ProjectReadLimit(kDataBufferSize));
  ParsedProject parsed = ParseProjectFile(file, kDataBufferSize);
  if (error.empty() && parsed.status == ProjectStatus::Ok) {
    ApplyProjectChipBeforeName(*js, parsed.chip);
    ApplyProjectChipAfterName(*js, parsed.chip);
    StoreProjectImage(parsed, file, js->DataBuffer.get(), kDataBufferSize);
  }
  double loadSeconds = Seconds(t0);
  file = std::string();
  if (!error.empty() || parsed.status != ProjectStatus::Ok) {
    std::printf("project_load_failed %s\n", error.c_str());
    return 1;
  }
  std::printf("project_load_s %.3f\n", loadSeconds);
  const bool same = ImageHash(js->DataBuffer.get(), kDataBufferSize) == savedHash;
  std::printf("project_image_same %s\n", same ? "yes" : "NO");
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("project_peak_rss_mb %.1f\n", usage.ru_maxrss / 1024.0);
  std::error_code ec;
  fs::remove_all(folder, ec);
  return same ? 0 : 1;
}

// Runs argv, waits for it and returns its exit status (-1 when it did not run).
int Run(const std::vector<std::string>& args, bool quiet) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double ReadSecondsOf(const std::string& self, const std::string& file, int& rc) {
  // The child prints its figures; read_s is taken from its output.
  std::string out = file + ".figures";
  std::string cmd = "'" + self + "' '" + file + "' > '" + out + "'";
  rc = std::system(cmd.c_str());
  double readSeconds = 0;
  if (std::FILE* f = std::fopen(out.c_str(), "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      std::fputs(line, stdout);
      std::sscanf(line, "read_s %lf", &readSeconds);
    }
    std::fclose(f);
  }
  return readSeconds;
}

bool HaveProgram(const char* name) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string dirs = path;
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

int GenerateAndLoad(const std::string& self) {
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("loadbench_" + std::to_string(getpid()));
  fs::create_directories(folder);
  ImageFiles files = WriteImageFiles(folder.string(), kChipSize);
  std::printf("image_mb %u\n", kChipSize >> 20);
  std::printf("hex_file_mb %.1f\n", fs::file_size(files.hex) / 1e6);

  int failures = 0, rc = 0;
  double hexRead = 0;
  for (const auto& [name, file] : {std::pair{"hex", files.hex}, {"txt", files.txt}, {"bin", files.bin}}) {
    std::printf("format %s\n", name);
    std::fflush(stdout);
    double read = ReadSecondsOf(self, file, rc);
    if (rc != 0) ++failures;
    if (std::string(name) == "hex") hexRead = read;
  }
  std::printf("format project\n");
  std::fflush(stdout);
  if (Run({self, "--project"}, false) != 0) ++failures;
  if (HaveProgram("srec_cat")) {
    std::string out = (folder / "srec.bin").string();
    auto t0 = std::chrono::steady_clock::now();
    int src = Run({"srec_cat", files.hex, "-intel", "-o", out, "-binary"}, true);
    double srecSeconds = Seconds(t0);
    if (src == 0) {
      std::printf("srec_cat_s %.3f\n", srecSeconds);
      if (hexRead > 0) std::printf("hex_vs_srec_cat %.1f\n", srecSeconds / hexRead);
    } else {
      std::printf("srec_cat_failed %d\n", src);
    }
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "--project") return ProjectRoundTrip();
  if (argc >= 2) return LoadOne(argv[1]);
  return GenerateAndLoad(std::filesystem::canonical("/proc/self/exe").string());
}
