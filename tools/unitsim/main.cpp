// unitsim: simulated programmer units on pseudo-terminals.
//
//   unitsim --units N [--ini PATH] [unit options] [--unit K unit options]...
//
// Prints one device path a line, writes a settings file naming them when
// --ini is given, then serves the units until it is ended. Lines on standard
// input steer it:
//   unplug K              pulls unit K (1..N) and rewrites the settings file
//   burn K                unit K burns its stored image by itself (off-line),
//                         with its sequence reports
//   stats                 the line figures as "name value" lines
//   reset                 starts the line figures afresh
//   save-chip K LEN PATH  writes the first LEN bytes of unit K's chip to PATH
//   save-stored K PATH    writes unit K's stored image to PATH
//   quit                  prints the figures and ends
// The figures are printed too when the program is ended by a signal.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "UnitRack.h"
#include "UnitOptions.h"

namespace {

std::mutex printMutex;

int Usage() {
  std::cerr << "usage: unitsim --units N [--ini PATH] [unit options] [--unit K unit options]...\n"
            << unitsim::UnitOptionsUsage();
  return 2;
}

void PrintStats(unitsim::UnitRack& units) {
  std::lock_guard<std::mutex> lock(printMutex);
  unitsim::LinkStats all;
  for (int k = 1; k <= units.Count(); ++k) {
    unitsim::LinkStats s = units.Unit(k).Stats();
    std::string u = "unit" + std::to_string(k) + "_";
    std::printf("%sbytes_received %llu\n", u.c_str(), static_cast<unsigned long long>(s.BytesReceived));
    std::printf("%sbytes_sent %llu\n", u.c_str(), static_cast<unsigned long long>(s.BytesSent));
    std::printf("%sbusy_s %.6f\n", u.c_str(), s.BusySeconds);
    std::printf("%sturnaround_count %zu\n", u.c_str(), s.TurnaroundSeconds.size());
    std::printf("%sturnaround_ms_median %.4f\n", u.c_str(), s.TurnaroundMs(50));
    std::printf("%sturnaround_ms_p99 %.4f\n", u.c_str(), s.TurnaroundMs(99));
    all.TurnaroundSeconds.insert(all.TurnaroundSeconds.end(), s.TurnaroundSeconds.begin(),
                                 s.TurnaroundSeconds.end());
  }
  std::printf("turnaround_count %zu\n", all.TurnaroundSeconds.size());
  std::printf("turnaround_ms_median %.4f\n", all.TurnaroundMs(50));
  std::printf("turnaround_ms_p99 %.4f\n", all.TurnaroundMs(99));
  std::printf("stats_end 1\n");
  std::fflush(stdout);
}

bool SaveBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  auto options = unitsim::ParseProgramOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!options) return Usage();
  const int count = options->Units;
  const std::string& ini = options->Ini;

  // The figures are printed on the way out, also when a signal ends us.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  unitsim::UnitRack units;
  std::string error;
  bool started = units.Start(count, [&](int k) { return options->Configs[static_cast<size_t>(k - 1)]; }, error);
  if (!started) {
    std::cerr << "unitsim: " << error << "\n";
    return 1;
  }
  for (int k = 1; k <= count; ++k) std::cout << units.Unit(k).DevicePath() << "\n";
  std::cout.flush();
  if (!ini.empty() && !units.WriteSettings(ini)) {
    std::cerr << "unitsim: cannot write " << ini << "\n";
    return 1;
  }

  std::thread([&units, signals] {
    int sig = 0;
    sigwait(&signals, &sig);
    PrintStats(units);
    std::_Exit(0);
  }).detach();

  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    std::string word;
    int k = 0;
    words >> word;
    bool unitGiven = static_cast<bool>(words >> k) && k >= 1 && k <= count;
    if (word == "quit") {
      PrintStats(units);
      std::_Exit(0);
    } else if (word == "stats") {
      PrintStats(units);
    } else if (word == "reset") {
      units.ResetStats();
    } else if (word == "burn" && unitGiven) {
      units.Unit(k).Change([](unitsim::SimUnit& u) { u.RunStandAlone(); });
    } else if (word == "unplug" && unitGiven) {
      units.Unit(k).Unplug();
      {
        std::lock_guard<std::mutex> lock(printMutex);
        std::cout << "unplugged " << k << std::endl;
      }
      // A refresh of the port list then finds the units still there.
      if (!ini.empty()) units.WriteSettings(ini);
    } else if (word == "save-chip" && unitGiven) {
      unsigned long long length = 0;
      std::string path;
      if (!(words >> length >> path) || length > unitsim::kDefaultChipCapacity) {
        std::cerr << "unitsim: save-chip K LENGTH PATH\n";
        continue;
      }
      std::vector<uint8_t> bytes;
      units.Unit(k).Inspect([&](const unitsim::SimUnit& u) { bytes = u.Chip().Read(0, length); });
      if (!SaveBytes(path, bytes)) std::cerr << "unitsim: cannot write " << path << "\n";
    } else if (word == "save-stored" && unitGiven) {
      std::string path;
      if (!(words >> path)) {
        std::cerr << "unitsim: save-stored K PATH\n";
        continue;
      }
      std::vector<uint8_t> bytes;
      units.Unit(k).Inspect(
          [&](const unitsim::SimUnit& u) { bytes = u.StoredImage().Read(0, u.StoredImageSize()); });
      if (!SaveBytes(path, bytes)) std::cerr << "unitsim: cannot write " << path << "\n";
    } else if (!word.empty()) {
      std::cerr << "unitsim: commands are \"unplug K\", \"burn K\", \"stats\", \"reset\", "
                   "\"save-chip K LEN PATH\", \"save-stored K PATH\" and \"quit\"\n";
    }
  }
  // No more commands (started in the background): serve until ended.
  for (;;) ::pause();
}
