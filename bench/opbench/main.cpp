// opbench: the operation commands on eight simulated units whose lines run at
// the real link's speed (1,000,000 baud, 11 bits a byte: 90,909 bytes/s).
// The units are a unitsim child process on pseudo-terminals; this process is
// the program itself (its window offscreen), driven through its handlers.
// Prints one figure a line as "name value":
//   <phase>_s              wall seconds of the command, start to every slot idle
// and for the commands that move an image, medians over the units taking part:
//   <phase>_payload_pct    image bytes / (seconds x 90,909): how fast the image
//                          itself moved, as a share of the wire
//   <phase>_wire_limit_pct the most that share can be with the command's
//                          framing: image bytes / the bytes that have to
//                          cross the line one after another for it (by pages
//                          and blocks each frame waits for its answer, so
//                          both directions count; the paced stream sends
//                          raw, so only the host's bytes count)
//   <phase>_link_use_pct   bytes the unit received and sent / (seconds x
//                          90,909); frame marks, escapes, padding and answers
//                          count as use
//   turnaround_ms_median / turnaround_ms_p99
//                          last byte of an answer at the host to the first byte
//                          of its next command, measured by the units while all
//                          eight are programmed by pages
//   cpu_s                  the host's CPU seconds over the four commands
//   main_thread_max_block_ms
//                          the longest the main thread went without serving
//                          its event loop during the commands
// Phases: program (512 KB by pages, 8 units), verify (8 units; the unit checks
// its chip by itself, so only its time is given), read (512 KB by blocks,
// unit 1), auto_stream (2 MB flash erased, sent through the paced stream and
// verified, 8 units).
//
//   opbench [PATH_OF_UNITSIM]
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Figures.h"
#include "UnitProcess.h"
#include "catalogue/ChipCatalogue.h"
#include "protocol/JobState.h"
#include "protocol/SlotTimers.h"
#include "ui/ChipSeltForm.h"
#include "ui/MainWindow.h"
#include "ui/RdSetForm.h"

namespace fs = std::filesystem;

namespace {

constexpr double kLinkBytesPerSecond = 1000000.0 / 11.0;
constexpr int kUnits = 8;

// How a command's image crosses the line.
enum class Framing {
  None,      // no image moves
  Answered,  // in frames, each waiting for the unit's answer
  Raw,       // as a raw stream from the host
};

// Runs the event loop until `done`, or false after `seconds`.
bool RunUntil(const std::function<bool()>& done, double seconds) {
  QEventLoop loop;
  QTimer poll;
  QElapsedTimer clock;
  clock.start();
  bool ok = false;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done()) {
      ok = true;
      loop.quit();
    } else if (clock.elapsed() > seconds * 1000) {
      loop.quit();
    }
  });
  poll.start(5);
  loop.exec();
  return ok;
}

// The longest stretch in which a 2 ms timer of the main thread was late.
class BlockWatch {
 public:
  BlockWatch() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      if (last_ >= 0) {
        const double late = (now - last_) * 1e-6 - kIntervalMs;
        maxGapMs_ = std::max(maxGapMs_, late);
        phaseMaxMs_ = std::max(phaseMaxMs_, late);
      }
      last_ = now;
    });
  }
  void Start() {
    clock_.start();
    last_ = -1;
    phaseMaxMs_ = 0;
    timer_.start(kIntervalMs);
  }
  // The longest of the phase since Start.
  double PhaseMaxBlockMs() const { return std::max(0.0, phaseMaxMs_); }
  void Stop() { timer_.stop(); }
  double MaxBlockMs() const { return std::max(0.0, maxGapMs_); }

 private:
  static constexpr int kIntervalMs = 2;
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = -1;
  double maxGapMs_ = 0;
  double phaseMaxMs_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string unitsim = argc > 1 ? argv[1] : KORVAN_UNITSIM;
  if (!fs::exists(unitsim)) {
    std::fprintf(stderr, "opbench: no unitsim at %s\n", unitsim.c_str());
    return 2;
  }
  std::string pattern = (fs::temp_directory_path() / "opbench_XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const fs::path dir = pattern;
  fs::current_path(dir);

  int result = 0;
  {
    UnitProcess units;
    if (!units.Start(fs::absolute(unitsim).string(), kUnits, (dir / "ConfigKvn.ini").string())) {
      std::fprintf(stderr, "opbench: the simulated units did not start\n");
      return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto js = std::make_unique<JobState>();
    TQZProgrammer window(*js);
    std::vector<std::string> boxes;
    window.MessageBoxHook = [&](const std::string& text) { boxes.push_back(text); };
    window.show();
    if (!RunUntil([&] { return js->DeviceCount == kUnits; }, 10)) {
      std::fprintf(stderr, "opbench: %d of %d units found\n", js->DeviceCount, kUnits);
      return 1;
    }
    TChipSeltForm chipForm(*js, window);
    auto loadImage = [&](const char* chip, size_t size) {
      ClearChipFlagsOnOpen(*js);
      chipForm.ChooseEntry(*FindChipEntry(chip));
      js->ChipSizeCopy = js->ChipSize;  // as the chip button does after a choice
      std::vector<char> image(size);
      std::mt19937 random(static_cast<uint32_t>(size));
      for (char& b : image) b = static_cast<char>(random() % 255);
      const std::string path = (dir / "image.bin").string();
      std::ofstream(path, std::ios::binary).write(image.data(), static_cast<std::streamsize>(size));
      window.FileDialogHook = [path](const TFileDialogSpec&, bool) { return path; };
      window.FileOpenBtnClick();
      if (!js->DataLoaded || js->DataSizeKB * 1024ull != size)
        std::fprintf(stderr, "opbench: loaded %d, %u KB; %s\n", js->DataLoaded, js->DataSizeKB,
                     boxes.empty() ? "" : boxes.back().c_str());
      return js->DataLoaded && js->DataSizeKB * 1024ull == size;
    };

    BlockWatch watch;
    double cpu = 0;
    auto phase = [&](const std::string& name, const std::function<void()>& start,
                     const std::vector<int>& taking, double imageBytes, Framing framing) {
      // What the loading of the image left to paint is done before the
      // command starts.
      QElapsedTimer settle;
      settle.start();
      RunUntil([&] { return settle.elapsed() > 200; }, 1);
      const size_t logBefore = window.LogLines().size();
      units.Send("reset");
      const double cpu0 = CpuSeconds();
      watch.Start();
      QElapsedTimer clock;
      clock.start();
      start();
      const bool done = RunUntil([&] { return !TicksNeeded(*js); }, 300);
      const double seconds = clock.nsecsElapsed() * 1e-9;
      watch.Stop();
      cpu += CpuSeconds() - cpu0;
      std::map<std::string, double> figures = units.Stats();
      PrintFigure(name + "_s", seconds);
      if (framing != Framing::None) {
        std::vector<double> limit, use;
        for (int unit : taking) {
          const std::string u = "unit" + std::to_string(unit + 1) + "_";
          const double received = figures[u + "bytes_received"], sent = figures[u + "bytes_sent"];
          limit.push_back(100.0 * imageBytes / (framing == Framing::Raw ? received : received + sent));
          use.push_back(100.0 * (received + sent) / (seconds * kLinkBytesPerSecond));
        }
        PrintFigure(name + "_payload_pct", 100.0 * imageBytes / (seconds * kLinkBytesPerSecond));
        PrintFigure(name + "_wire_limit_pct", Median(limit));
        PrintFigure(name + "_link_use_pct", Median(use));
      }
      PrintFigure(name + "_max_block_ms", watch.PhaseMaxBlockMs());
      int failed = 0;
      const std::vector<std::string> log = window.LogLines();
      for (size_t i = logBefore; i < log.size(); ++i)
        if (log[i].find("Operation Failed!") != std::string::npos) ++failed;
      if (!done || failed) {
        std::fprintf(stderr, "opbench: %s %s, %d slots failed\n", name.c_str(),
                     done ? "ended" : "did not end", failed);
        for (size_t i = logBefore; i < log.size(); ++i) std::fprintf(stderr, "  %s\n", log[i].c_str());
        result = 1;
      }
      return figures;
    };
    const std::vector<int> all = {0, 1, 2, 3, 4, 5, 6, 7};
    constexpr double kSmallImage = 512 * 1024, kLargeImage = 2 * 1024 * 1024;

    if (!loadImage("W25x40xx", static_cast<size_t>(kSmallImage))) {
      std::fprintf(stderr, "opbench: the 512 KB image did not load\n");
      return 1;
    }
    auto program = phase("program", [&] { window.SpdBtnProgClick(); }, all, kSmallImage, Framing::Answered);
    phase("verify", [&] { window.SpdBtnVerifyClick(); }, all, 0, Framing::None);
    phase(
        "read",
        [&] {
          // The read-length dialog of the small families: the loaded size.
          QTimer::singleShot(0, [&] { window.RdSetForm().BitBtn1->click(); });
          window.SpeedButtonRDClick();
        },
        {0}, kSmallImage, Framing::Answered);
    if (!loadImage("W25x16xx", static_cast<size_t>(kLargeImage)) || !js->LargeImage) {
      std::fprintf(stderr, "opbench: the 2 MB image did not load as a large image\n");
      return 1;
    }
    // Erase first, as a flash chip is programmed: the erase command also
    // tells the unit the image's size, which the stream's first command
    // gives in whole 64 KB blocks only.
    window.EnEraseChk->setChecked(true);
    phase("auto_stream", [&] { window.SpdBtnAutoPClick(); }, all, kLargeImage, Framing::Raw);

    PrintFigure("turnaround_ms_median", program["turnaround_ms_median"]);
    PrintFigure("turnaround_ms_p99", program["turnaround_ms_p99"]);
    PrintFigure("turnaround_count", program["turnaround_count"]);
    PrintFigure("cpu_s", cpu);
    PrintFigure("main_thread_max_block_ms", watch.MaxBlockMs());
    window.SpdBtnExitClick();
  }
  fs::current_path(fs::temp_directory_path());
  std::error_code ec;
  fs::remove_all(dir, ec);
  return result;
}
