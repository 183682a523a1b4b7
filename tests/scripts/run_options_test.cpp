// ./run's options are checked before anything is built or started. The
// script runs from a copy in a folder without the build set-up, so an option
// that passed the checks ends at the missing set-up instead of a build.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempFile.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
  int exitCode = -1;
  std::string errors;
};

RunResult RunCopy(const std::string& arguments) {
  const fs::path copy = TestScratchDir() / "run";
  fs::copy_file(KORVAN_RUN_SCRIPT, copy, fs::copy_options::overwrite_existing);
  const fs::path errors = TestScratchDir() / "run.err";
  const std::string command =
      "bash '" + copy.string() + "' " + arguments + " </dev/null >/dev/null 2>'" + errors.string() + "'";
  const int status = std::system(command.c_str());
  RunResult r;
  if (status != -1 && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  r.errors = ReadTestFile(errors.string());
  return r;
}

class SimCountRefused : public ::testing::TestWithParam<const char*> {};

TEST_P(SimCountRefused, SaysWhatIsPossibleAndStops) {
  const RunResult r = RunCopy(GetParam());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.errors.find("1 to 8 simulated units are possible"), std::string::npos) << r.errors;
}

INSTANTIATE_TEST_SUITE_P(Run, SimCountRefused,
                         ::testing::Values("--sim 9", "--sim 0", "--sim eight", "--sim", "--sim 10",
                                           "--sim -1", "--sim 3x", "--cn --sim 9 -- --baud 1000000"));

TEST(RunOptions, AGoodUnitCountPassesTheCheck) {
  for (const char* arguments : {"--sim 1", "--sim 8 -- --baud 1000000", "--cn"}) {
    SCOPED_TRACE(arguments);
    const RunResult r = RunCopy(arguments);
    EXPECT_NE(r.exitCode, 0);  // the copy has no build set-up
    EXPECT_NE(r.exitCode, 2);
    EXPECT_EQ(r.errors.find("possible"), std::string::npos) << r.errors;
  }
}

TEST(RunOptions, UnitOptionsWithoutSimulatedUnitsAreRefused) {
  const RunResult r = RunCopy("-- --baud 1000000");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.errors.find("need --sim N"), std::string::npos) << r.errors;
}

}  // namespace
