// startbench: how long the program takes from its start until its window is
// shown with the units found, and how much CPU it uses while it then idles.
// Eight simulated units (a unitsim child at the link's real speed) are named
// by the settings file; a firmware image of their own version lies beside
// the program, so the start-up has no box to wait on.
//
// Each run starts this bench again as a child process that runs the
// program's own entry (RunApplication, its window offscreen unless
// QT_QPA_PLATFORM says otherwise) and watches it from inside: the child
// process starting, loading its libraries and creating its application,
// windows and data buffer all count.
// Prints one figure a line as "name value":
//   startup_s_median / _min / _max
//                    from the start of the child process to the first moment
//                    its main window has been painted and all eight units
//                    have answered the search
//   idle_cpu_pct_median
//                    the process's CPU time (all threads) over the idle
//                    seconds that follow a second of settling, as a share
//                    of one core
//
//   startbench [RUNS [IDLE_SECONDS]]     (defaults: 5 runs, 3 s)
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FirmwareImageWriter.h"
#include "Figures.h"
#include "UnitProcess.h"
#include "protocol/JobState.h"
#include "ui/Application.h"
#include "ui/MainWindow.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kUnits = 8;
constexpr const char* kChildFlag = "--startbench-child";
constexpr const char* kUnitVersion = "V9.99";  // what unitsim's units report
constexpr int kSettleMs = 1000;

bool childMode = false;
int idleSeconds = 3;

int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

// --- The child: the program, watched from inside -------------------------------

TQZProgrammer* MainWindowOf(QApplication* app) {
  for (QWidget* w : app->topLevelWidgets()) {
    if (auto* main = qobject_cast<TQZProgrammer*>(w)) return main;
  }
  return nullptr;
}

// Notes the main window's first paint, then, polling every millisecond, the
// moment the units are found as well; measures the idle CPU after it and
// closes the window as the operator would.
class StartWatch : public QObject {
 public:
  explicit StartWatch(QApplication* app) : app_(app) {
    app_->installEventFilter(this);
    poll_.setTimerType(Qt::PreciseTimer);
    connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
    poll_.start(1);
    clock_.start();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!painted_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
      const QWidget* widget = static_cast<QWidget*>(watched);
      painted_ = qobject_cast<const TQZProgrammer*>(widget->window()) != nullptr;
    }
    return false;
  }

 private:
  void Poll() {
    TQZProgrammer* main = MainWindowOf(app_);
    const int found = main ? main->js.DeviceCount : 0;
    if (painted_ && found == kUnits) {
      std::printf("ready_ns %lld\n", static_cast<long long>(MonotonicNs()));
      std::fflush(stdout);
      poll_.stop();
      app_->removeEventFilter(this);
      MeasureIdle(main);
    } else if (clock_.elapsed() > 20000) {
      std::printf("found %d\n", found);
      std::fflush(stdout);
      poll_.stop();
      if (main) main->close();
    }
  }

  // After a second in which what the start-up left (late paints, the
  // units' last bytes) settles; nothing of the bench wakes up meanwhile.
  void MeasureIdle(TQZProgrammer* main) {
    QTimer::singleShot(kSettleMs, this, [this, main] {
      const double cpu0 = CpuSeconds();
      const int64_t wall0 = MonotonicNs();
      QTimer::singleShot(idleSeconds * 1000, this, [main, cpu0, wall0] {
        const double cpu = CpuSeconds() - cpu0;
        const double wall = static_cast<double>(MonotonicNs() - wall0) * 1e-9;
        std::printf("idle_cpu_pct %.3f\n", 100.0 * cpu / wall);
        std::fflush(stdout);
        main->close();
      });
    });
  }

  QApplication* app_;
  QTimer poll_;
  QElapsedTimer clock_;
  bool painted_ = false;
};

void ArmStartWatch() {
  if (!childMode) return;
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app) new StartWatch(app);  // owned by nobody: lives as long as the process
}
Q_COREAPP_STARTUP_FUNCTION(ArmStartWatch)

int RunChild(char* self) {
  childMode = true;
  std::setlocale(LC_ALL, "");
  char* argv[] = {self, nullptr};
  return RunApplication(1, argv);
}

// --- The parent: the units, the files and the runs ------------------------------

bool WriteFirmwareImage(const fs::path& path) {
  std::vector<uint8_t> body(2048, 0xFF);
  std::string error;
  std::vector<uint8_t> image = BuildFirmwareImage(body, kUnitVersion, 0x5AC3, error);
  if (image.empty()) {
    std::fprintf(stderr, "startbench: %s\n", error.c_str());
    return false;
  }
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  return static_cast<bool>(out);
}

struct RunFigures {
  double startupS = -1;
  double idleCpuPct = -1;
};

// Starts the child and reads its figures until it ends.
RunFigures RunOnce(const std::string& self) {
  RunFigures figures;
  int out[2];
  if (pipe(out) != 0) return figures;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string selfArg = self, flag = kChildFlag, idle = std::to_string(idleSeconds);
  char* argv[] = {selfArg.data(), flag.data(), idle.data(), nullptr};
  pid_t pid = -1;
  const int64_t start = MonotonicNs();
  const int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  FILE* from = fdopen(out[0], "r");
  if (rc != 0) {
    std::fclose(from);
    return figures;
  }
  char line[256];
  while (std::fgets(line, sizeof line, from)) {
    long long ns = 0;
    double pct = 0;
    int found = 0;
    if (std::sscanf(line, "ready_ns %lld", &ns) == 1) figures.startupS = static_cast<double>(ns - start) * 1e-9;
    if (std::sscanf(line, "idle_cpu_pct %lf", &pct) == 1) figures.idleCpuPct = pct;
    if (std::sscanf(line, "found %d", &found) == 1)
      std::fprintf(stderr, "startbench: %d of %d units found\n", found, kUnits);
  }
  std::fclose(from);
  waitpid(pid, nullptr, 0);
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], kChildFlag) == 0) {
    if (argc >= 3) idleSeconds = std::max(1, std::atoi(argv[2]));
    return RunChild(argv[0]);
  }
  const int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 5;
  if (argc >= 3) idleSeconds = std::max(1, std::atoi(argv[2]));
  const std::string self = fs::canonical("/proc/self/exe").string();

  std::string pattern = (fs::temp_directory_path() / "startbench_XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const fs::path dir = pattern;
  fs::current_path(dir);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

  int result = 0;
  {
    UnitProcess units;
    if (!WriteFirmwareImage(dir / "VOzOZEdud.ZQM") ||
        !units.Start(KORVAN_UNITSIM, kUnits, (dir / "ConfigKvn.ini").string())) {
      std::fprintf(stderr, "startbench: the simulated units did not start\n");
      return 1;
    }
    std::vector<double> startup, idle;
    for (int run = 0; run < runs; ++run) {
      RunFigures f = RunOnce(self);
      if (f.startupS < 0 || f.idleCpuPct < 0) {
        std::fprintf(stderr, "startbench: run %d gave no figures\n", run + 1);
        result = 1;
        continue;
      }
      startup.push_back(f.startupS);
      idle.push_back(f.idleCpuPct);
    }
    if (!startup.empty()) {
      PrintFigure("startup_s_median", Median(startup));
      PrintFigure("startup_s_min", *std::min_element(startup.begin(), startup.end()));
      PrintFigure("startup_s_max", *std::max_element(startup.begin(), startup.end()));
      PrintFigure("idle_cpu_pct_median", Median(idle));
    }
  }
  fs::current_path(fs::temp_directory_path());
  std::error_code ec;
  fs::remove_all(dir, ec);
  return result;
}
