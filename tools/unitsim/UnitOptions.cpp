#include "UnitOptions.h"

#include <cerrno>
#include <cstdlib>

namespace unitsim {

namespace {

// A whole number, decimal or with 0x.
bool Number(const std::string& text, long long& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 0);
  return errno == 0 && end && *end == '\0';
}

bool Byte(const std::string& text, int& value) {
  long long v;
  if (!Number(text, v) || v < 0 || v > 255) return false;
  value = static_cast<int>(v);
  return true;
}

}  // namespace

std::optional<ErrorOn> ParseErrorOn(const std::string& text) {
  size_t c1 = text.find(':');
  size_t c2 = c1 == std::string::npos ? c1 : text.find(':', c1 + 1);
  if (c2 == std::string::npos) return std::nullopt;
  std::string kind = text.substr(0, c1);
  std::string sub;
  if (size_t slash = kind.find('/'); slash != std::string::npos) {
    sub = kind.substr(slash + 1);
    kind.resize(slash);
  }
  ErrorOn e;
  int command = 0, status = 0, subCode = -1;
  long long nth = 0;
  if (!Byte(kind, command) || (!sub.empty() && !Byte(sub, subCode)) ||
      !Number(text.substr(c1 + 1, c2 - c1 - 1), nth) || nth < 0 || nth > 1000000000 ||
      !Byte(text.substr(c2 + 1), status)) {
    return std::nullopt;
  }
  e.Command = static_cast<uint8_t>(command);
  e.SubCode = subCode;
  e.Nth = static_cast<int>(nth);
  e.Status = static_cast<uint8_t>(status);
  return e;
}

bool ApplyUnitOption(const std::vector<std::string>& args, size_t& i, UnitConfig& c) {
  const std::string& a = args[i];
  // Switches without a value.
  if (a == "--basic") c.Name = "KorvanQZ";
  else if (a == "--silent") c.Silent = true;
  else if (a == "--garbage") c.GarbageBetweenFrames = true;
  else if (a == "--bad-check") c.BadCheckValue = true;
  else if (a == "--reports") c.SequenceReports = true;
  else if (a == "--both-completions") c.SequenceReports = c.BothCompletions = true;
  else if (a == "--not-blank") c.NotBlank = true;
  else if (a == "--weak-chip") c.WeakChip = true;
  else if (a == "--no-padding") c.Unpadded = true;
  else {
    if (i + 1 >= args.size()) return false;
    const std::string& v = args[i + 1];
    long long n = 0;
    bool number = Number(v, n);
    bool count = number && n >= 0 && n <= 1000000000;
    if (a == "--name") c.Name = v;
    else if (a == "--version") c.Version = v;
    else if (a == "--upgraded-version") c.UpgradedVersion = v;
    else if (a == "--hangup-after" && count) c.HangupAfterFrames = static_cast<int>(n);
    else if (a == "--silent-after" && count) c.SilentAfterCommands = static_cast<int>(n);
    else if (a == "--bad-sum" && count && n > 0) c.BadRoundSum = static_cast<int>(n);
    else if (a == "--baud" && count) c.Baud = static_cast<long>(n);
    else if (a == "--deaf-after" && count) c.DeafAfterBytes = n;
    else if (a == "--error-on") {
      auto e = ParseErrorOn(v);
      if (!e) return false;
      c.ErrorsOn.push_back(*e);
    } else if (a == "--stream-error") {
      // BLOCKS[:STATUS]
      size_t colon = v.find(':');
      long long blocks = 0;
      int status = c.StreamErrorStatus;
      if (!Number(v.substr(0, colon), blocks) || blocks < 0 || blocks > 1000000000 ||
          (colon != std::string::npos && !Byte(v.substr(colon + 1), status))) {
        return false;
      }
      c.StreamErrorAfterBlocks = static_cast<int>(blocks);
      c.StreamErrorStatus = static_cast<uint8_t>(status);
    } else {
      return false;
    }
    ++i;
  }
  ++i;
  return true;
}

const char* UnitOptionsUsage() {
  return "unit options (after --unit K they apply to unit K only):\n"
         "  --name NAME  --version V  --basic  --upgraded-version V\n"
         "  --baud N                 line speed, 11 bits a byte (1000000: 90,909 bytes/s)\n"
         "  --reports                sequence reports (0xFD) while programming\n"
         "  --both-completions       reports, each chip of the host ending with 0xF0 and 0xF2\n"
         "  --no-padding             no five 0xFF behind the frames it sends\n"
         "faults:\n"
         "  --silent  --garbage  --bad-check  --hangup-after FRAMES\n"
         "  --silent-after COMMANDS  answers nothing after this many commands\n"
         "  --error-on CMD[/SUB]:N:STATUS  status for the Nth such command (N 0: every one)\n"
         "  --bad-sum ROUND          a wrong byte sum for this download round (from 1)\n"
         "  --not-blank              the chip starts programmed\n"
         "  --weak-chip              programming leaves a bit wrong: verify fails\n"
         "  --stream-error BLOCKS[:STATUS]  a program stream fails after BLOCKS 32 KB blocks\n"
         "  --deaf-after BYTES       stops reading its line after BYTES bytes (the host's queue stalls)\n";
}

std::optional<ProgramOptions> ParseProgramOptions(const std::vector<std::string>& args) {
  ProgramOptions o;
  UnitConfig common;
  std::vector<std::pair<int, std::vector<std::string>>> perUnit;  // options after --unit K
  long long n = 0;
  for (size_t i = 0; i < args.size();) {
    const std::string& a = args[i];
    bool valued = i + 1 < args.size();
    if (a == "--units" && valued && Number(args[i + 1], n) && n >= 1 && n <= 8) {
      o.Units = static_cast<int>(n);
      i += 2;
    } else if (a == "--ini" && valued) {
      o.Ini = args[i + 1];
      i += 2;
    } else if (a == "--unit" && valued && Number(args[i + 1], n) && n >= 1 && n <= 8) {
      perUnit.push_back({static_cast<int>(n), {}});
      i += 2;
    } else if (perUnit.empty()) {
      if (!ApplyUnitOption(args, i, common)) return std::nullopt;
    } else {
      // Checked now, applied to the unit's own copy below.
      size_t start = i;
      UnitConfig check;
      if (!ApplyUnitOption(args, i, check)) return std::nullopt;
      auto& own = perUnit.back().second;
      own.insert(own.end(), args.begin() + static_cast<long>(start), args.begin() + static_cast<long>(i));
    }
  }
  if (o.Units < 1) return std::nullopt;
  for (int k = 1; k <= o.Units; ++k) {
    UnitConfig config = common;
    for (const auto& [unit, options] : perUnit) {
      if (unit != k) continue;
      for (size_t i = 0; i < options.size();) ApplyUnitOption(options, i, config);
    }
    o.Configs.push_back(std::move(config));
  }
  return o;
}

}  // namespace unitsim
