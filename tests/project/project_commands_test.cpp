// The project and message-log menu commands on the offscreen platform.
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>

#include "catalogue/ChipCatalogue.h"
#include "files/ProjectFile.h"
#include "messages/Format.h"
#include "protocol/Checks.h"
#include "ui/DataViewForm.h"
#include "ui/UiTestSupport.h"

namespace {

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A readable picture of everything a project restores, so that a failed
// comparison names the field.
// The file range is left out on request: a project load sets it to the
// data range, a data file load to the file's own.
std::vector<std::string> JobPicture(const JobState& js, bool withFileRange = true) {
  std::vector<std::string> out;
  auto add = [&](const char* name, uint64_t v) { out.push_back(std::string(name) + "=" + std::to_string(v)); };
  add("ChipFamily", js.ChipFamily);
  add("ChipSubType", js.ChipSubType);
  add("ChipSize", js.ChipSize);
  add("ChipSizeCopy", js.ChipSizeCopy);
  add("PageSize", js.PageSize);
  add("EraseTime", js.EraseTime);
  add("ChipAuxWord", js.ChipAuxWord);
  add("ChipSpare", js.ChipSpare);
  add("DataStart", js.DataStart);
  add("DataEnd", js.DataEnd);
  add("DataSizeKB", js.DataSizeKB);
  add("DataSum16", js.DataSum16);
  add("DataCRC16", js.DataCRC16);
  add("ChipSum32", js.ChipSum32);
  add("ChipCRC32", js.ChipCRC32);
  for (size_t i = 0; i < js.ChipOpBytes.size(); ++i) add("ChipOpBytes", js.ChipOpBytes[i]);
  add("EepromProtect", js.EepromProtect);
  add("ChipAuxByte", js.ChipAuxByte);
  add("ChipAuxByte2", js.ChipAuxByte2);
  add("CtrlFlags", js.CtrlFlags);
  add("CtrlFlags2", js.CtrlFlags2);
  add("ChipAddrMode", js.ChipAddrMode);
  add("I2CDevAddr", js.I2CDevAddr);
  add("ChipId1", js.ChipId1);
  add("ChipId2", js.ChipId2);
  add("ChipSelected", js.ChipSelected);
  add("DataLoaded", js.DataLoaded);
  if (withFileRange) {
    add("FileStartAddr", js.FileStartAddr);
    add("FileEndAddr", js.FileEndAddr);
  }
  out.push_back("SelChipName=" + js.SelChipName);
  return out;
}

std::vector<std::string> ControlPicture(const TQZProgrammer& w) {
  std::vector<std::string> out;
  auto text = [&](const char* name, const QLineEdit* e) { out.push_back(std::string(name) + "=" + e->text().toStdString()); };
  auto num = [&](const char* name, int v) { out.push_back(std::string(name) + "=" + std::to_string(v)); };
  text("MCUNameEdit", w.MCUNameEdit);
  text("ProductEditX", w.ProductEditX);
  num("CheckBoxAut", w.CheckBoxAut->isChecked());
  num("SpinEditIn", w.SpinEditIn->value());
  num("SpinEditOut", w.SpinEditOut->value());
  num("RadioGroupSpd", w.RadioGroupSpd->ItemIndex());
  num("RadioGpVolt", w.RadioGpVolt->ItemIndex());
  num("CheckBoxSN", w.CheckBoxSN->isChecked());
  num("ChkBoxPCSN", w.ChkBoxPCSN->isChecked());
  num("SNOrderChk", w.SNOrderChk->isChecked());
  num("ChkBoxStrSN", w.ChkBoxStrSN->isChecked());
  text("SNEdit", w.SNEdit);
  text("GainEdit", w.GainEdit);
  text("AddrEdit", w.AddrEdit);
  num("ChkBoxNumb", w.ChkBoxNumb->isChecked());
  num("SpinEditNumb", w.SpinEditNumb->value());
  return out;
}

// Equal pictures, or the entries that differ.
::testing::AssertionResult SamePicture(const std::vector<std::string>& got,
                                       const std::vector<std::string>& want) {
  if (got == want) return ::testing::AssertionSuccess();
  auto r = ::testing::AssertionFailure();
  for (size_t i = 0; i < std::max(got.size(), want.size()); ++i) {
    std::string g = i < got.size() ? got[i] : "-", x = i < want.size() ? want[i] : "-";
    if (g != x) r << g << " (want " << x << ") ";
  }
  return r;
}

size_t BufferHash(const JobState& js) {
  return std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(js.DataBuffer.get()), kDataBufferSize));
}

class ProjectCommands : public ScratchFolderTest {
 protected:
  // A second window on a job of its own, as a fresh program start.
  struct Fresh {
    std::unique_ptr<JobState> js = std::make_unique<JobState>();
    std::unique_ptr<TQZProgrammer> w;
  };
  Fresh FreshWindow() {
    Fresh f;
    f.w = std::make_unique<TQZProgrammer>(*f.js);
    Hook(*f.w);
    f.w->PortSource.SysRoot = (dir_ / "no-sys").string();
    f.w->PortSource.DevRoot = (dir_ / "no-dev").string();
    f.w->PortSource.CanOpen = [](const std::string&) { return false; };
    f.w->show();
    return f;
  }
  void Hook(TQZProgrammer& w) {
    w.MessageBoxHook = [this](const std::string& text) { boxes.push_back(text); };
    w.FileDialogHook = [this](const TFileDialogSpec& spec, bool save) {
      dialogs.push_back(spec.DefaultExt + " " + spec.Filter + (save ? " (save)" : ""));
      return answer;
    };
  }
  TQZProgrammer& Ready() {
    TQZProgrammer& w = ShownWindow();
    Hook(w);
    return w;
  }
  // The chip popup's choice: the entry's fields, then its name.
  static void Choose(TQZProgrammer& w, JobState& js, std::string_view name) {
    const ChipEntry* entry = FindChipEntry(name);
    ASSERT_NE(entry, nullptr) << name;
    ApplyChipEntry(js, *entry);
    w.ShowChipName(QString::fromUtf8(name.data(), static_cast<int>(name.size())));
    js.ChipSizeCopy = js.ChipSize;
  }
  // A binary data file through the window's load command.
  void LoadData(TQZProgrammer& w, const std::string& bytes, const std::string& name = "image.bin") {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    answer = path;
    w.FileOpenBtnClick();
  }
  void SaveProject(TQZProgrammer& w, const std::string& name = "job.TKP") {
    answer = (dir_ / name).string();
    w.SaveToTesmelProjectClick();
  }
  void LoadProject(TQZProgrammer& w, const std::string& name = "job.TKP") {
    answer = (dir_ / name).string();
    w.LoadFromTesmelProjectClick();
  }
  // Where the masked "MAINFL" starts, and the first data pair behind it and
  // the two keys.
  static size_t MarkerAt(const std::string& file) {
    std::string masked("\x06\x00", 2);
    for (char ch : std::string("MAINFL")) masked += static_cast<char>(ch ^ project::StringMask(6));
    return file.find(masked);
  }
  static size_t PairsAt(const std::string& file) { return MarkerAt(file) + 2 + 6 + 1 + 2; }
  bool Logged(const std::string& text) {
    auto texts = LogTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  std::string answer;
  std::vector<std::string> dialogs;
};

// --- Round trips ---------------------------------------------------------------

struct RoundTrip {
  const char* name;
  const char* chip;
  std::function<std::string()> image;
  std::function<void(TQZProgrammer&)> settings;
};

std::string Pattern(size_t n, uint8_t seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 13 + seed + (i >> 9)) % 0xFF);
  return s;
}

class ProjectRoundTrip : public ProjectCommands, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(ProjectRoundTrip, AFreshWindowGetsTheSameJobControlsAndImage) {
  const RoundTrip& c = GetParam();
  TQZProgrammer& w = Ready();
  Choose(w, Js(), c.chip);
  LoadData(w, c.image());
  ASSERT_EQ(Js().DataLoaded, 1) << c.name;
  if (c.settings) c.settings(w);
  boxes.clear();
  SaveProject(w);
  const std::string path = (dir_ / "job.TKP").string();
  ASSERT_EQ(boxes, std::vector<std::string>{"Tesmel Project file of " + path + " has been saved!"});
  EXPECT_EQ(LogTexts().back(), "Tesmel Project file of " + path + " has been saved!");
  // The file begins with the magic and the masked format name.
  const std::string file = FileBytes(path);
  ASSERT_GT(file.size(), 18u);
  EXPECT_EQ(file.substr(0, 4), std::string("\xA5\x5A\x0D\x00", 4));
  EXPECT_EQ(static_cast<uint8_t>(file[4]), 'K' ^ project::StringMask(13));

  Fresh fresh = FreshWindow();
  answer = path;
  boxes.clear();
  fresh.w->LoadFromTesmelProjectClick();
  EXPECT_TRUE(boxes.empty()) << c.name << ": " << boxes.front();  // the stored sums agree
  EXPECT_TRUE(SamePicture(JobPicture(*fresh.js, false), JobPicture(Js(), false))) << c.name;
  EXPECT_EQ(fresh.js->FileStartAddr, 0u);
  EXPECT_EQ(fresh.js->FileEndAddr, fresh.js->DataEnd);
  EXPECT_TRUE(SamePicture(ControlPicture(*fresh.w), ControlPicture(w))) << c.name;
  EXPECT_EQ(std::memcmp(fresh.js->DataBuffer.get(), Js().DataBuffer.get(), kDataBufferSize), 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, ProjectRoundTrip,
    ::testing::Values(
        RoundTrip{"eeprom", "24xx02", [] { return Pattern(256, 1); },
                  [](TQZProgrammer& w) {
                    w.RadioGpVolt->SetItemIndex(1);
                    w.RadioGroupSpd->SetItemIndex(2);
                  }},
        RoundTrip{"trimmed flash", "W25x32xx", [] { return Pattern(0x1234, 2); }, nullptr},
        RoundTrip{"528-byte pages with spare bytes", "AT45DB16E", [] { return Pattern(4096 * 528, 3); },
                  nullptr},
        RoundTrip{"128 MiB", "1024M Bits(1024Mbit)",
                  [] { return Pattern(128u << 20, 4); },
                  nullptr},
        RoundTrip{"serial numbers on", "W25x80xx", [] { return Pattern(0x20000, 5); },
                  [](TQZProgrammer& w) {
                    w.CheckBoxSN->setChecked(true);
                    w.ChkBoxPCSN->setChecked(true);
                    w.SNOrderChk->setChecked(true);
                    w.ChkBoxStrSN->setChecked(true);
                    w.SNEdit->setText("0x00001234");
                    w.GainEdit->setText("0x03");
                    w.AddrEdit->setText("0x0000FF00");
                    w.ChkBoxNumb->setChecked(true);
                    w.SpinEditNumb->setValue(5000);
                    w.CheckBoxAut->setChecked(true);
                    w.SpinEditIn->setValue(700);
                    w.SpinEditOut->setValue(1800);
                  }}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

TEST_F(ProjectCommands, SameChipShownKeepsTheFileValuesAndTheFullSizeInKb) {
  TQZProgrammer& w = Ready();
  Choose(w, Js(), "1024M Bits(1024Mbit)");
  std::string image(128u << 20, '\xFF');
  image[(128u << 20) - 1] = 0x00;  // data up to the last byte: nothing trimmed
  LoadData(w, image);
  w.CheckBoxWRP->setChecked(true);
  SaveProject(w);

  Fresh fresh = FreshWindow();
  Choose(*fresh.w, *fresh.js, "1024M Bits(1024Mbit)");
  fresh.js->PageSize = 17;  // a value the file replaces
  fresh.w->CheckBoxWRP->setChecked(false);
  answer = (dir_ / "job.TKP").string();
  const size_t linesBefore = fresh.w->LogLines().size();
  fresh.w->LoadFromTesmelProjectClick();
  EXPECT_EQ(fresh.js->DataSizeKB, 131072u);  // stored as 0 in 16 bits
  EXPECT_EQ(fresh.js->PageSize, Js().PageSize);
  EXPECT_EQ(fresh.js->DataEnd, 0x7FFFFFFu);
  EXPECT_EQ(fresh.js->ChipSizeCopy, 128u << 20);
  // The write-protection box keeps its state; no chip change ran.
  EXPECT_FALSE(fresh.w->CheckBoxWRP->isChecked());
  const auto lines = fresh.w->LogLines();
  for (size_t i = linesBefore; i < lines.size(); ++i)
    EXPECT_EQ(lines[i].find("is selectd"), std::string::npos) << lines[i];
}

TEST_F(ProjectCommands, OtherChipShownRunsTheChipChangeOnceUnderTheFileValues) {
  TQZProgrammer& w = Ready();
  Choose(w, Js(), "W25x32xx");
  LoadData(w, Pattern(0x1234, 2));
  Js().CtrlFlags2 = 0x5A;  // values the chip change would reset
  Js().ChipId1 = 0x3C;
  SaveProject(w);

  Fresh fresh = FreshWindow();
  Choose(*fresh.w, *fresh.js, "24xx02");
  const size_t linesBefore = fresh.w->LogLines().size();
  answer = (dir_ / "job.TKP").string();
  fresh.w->LoadFromTesmelProjectClick();
  EXPECT_EQ(fresh.w->MCUNameEdit->text().toStdString(), "W25x32xx");
  const auto lines = fresh.w->LogLines();
  EXPECT_EQ(std::count_if(lines.begin() + static_cast<std::ptrdiff_t>(linesBefore), lines.end(),
                          [](const std::string& l) {
                            return l.find("Chip \"W25x32xx\" is selectd.") != std::string::npos;
                          }),
            1);
  // The chip change ran on the fields before the name; those after it stand.
  EXPECT_EQ(fresh.js->SelChipName, "W25x32xx");
  EXPECT_EQ(fresh.js->CtrlFlags2, 0x5A);
  EXPECT_EQ(fresh.js->ChipId1, 0x3C);
}

TEST_F(ProjectCommands, EarlierLargerImageDoesNotSurviveBehindTheProject) {
  TQZProgrammer& w = Ready();
  Choose(w, Js(), "W25x32xx");
  LoadData(w, Pattern(0x1000, 6));
  SaveProject(w);
  // A larger image, then the small project: its bytes end the data.
  LoadData(w, Pattern(0x40000, 7), "large.bin");
  LoadProject(w);
  EXPECT_EQ(Js().DataEnd, 0xFFFu);
  for (uint32_t i = 0x1000; i < 0x41000; ++i) ASSERT_EQ(Js().DataBuffer[i], 0xFF) << i;
  EXPECT_TRUE(Logged("Load Project file \"" + (dir_ / "job.TKP").string() + "\""));
}

TEST_F(ProjectCommands, SaveWithoutAChipAndNoFileOnCancel) {
  TQZProgrammer& w = Ready();
  answer.clear();
  boxes.clear();
  const auto lines = w.LogLines();
  w.SaveToTesmelProjectClick();
  w.LoadFromTesmelProjectClick();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(w.LogLines(), lines);
  // No check of a chip or data before a save.
  SaveProject(w);
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "job.TKP"));
}

TEST_F(ProjectCommands, FailedSaveKeepsTheEarlierProjectAndConfirmsNothing) {
  TQZProgrammer& w = Ready();
  std::filesystem::create_directory(dir_ / "folder.TKP");
  boxes.clear();
  SaveProject(w, "folder.TKP");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("folder.TKP"), std::string::npos);
  EXPECT_EQ(boxes[0].find("has been saved"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "folder.TKP"));
  for (const std::string& line : LogTexts()) EXPECT_EQ(line.find("has been saved"), std::string::npos);
}

// --- Bad files -------------------------------------------------------------------

TEST_F(ProjectCommands, BadFilesLeaveTheJobUnchanged) {
  TQZProgrammer& w = Ready();
  Choose(w, Js(), "W25x80xx");
  LoadData(w, Pattern(0x3000, 8));
  SaveProject(w);
  const std::string good = FileBytes(dir_ / "job.TKP");

  // Another job in the window, which no bad file may touch.
  Choose(w, Js(), "24xx512");
  LoadData(w, Pattern(0x8000, 9), "other.bin");
  const auto job = JobPicture(Js());
  const auto controls = ControlPicture(w);
  const size_t buffer = BufferHash(Js());

  const size_t at = MarkerAt(good);
  ASSERT_NE(at, std::string::npos);
  const size_t pairs = PairsAt(good);

  struct Case {
    const char* name;
    std::string bytes;
    std::string logLine;  // "" for a box
  };
  std::string magic = good;
  magic[0] = 0x5A;
  std::string name = good;
  name[5] ^= 0x01;
  std::string endMarker = good;
  endMarker[at + 3] ^= 0x01;
  // DataEnd far beyond the buffer (its bytes follow DataStart).
  std::string past = good;
  const size_t dataEndAt = 24 + (2 + 8 + 1) + (2 + (dir_ / "image.bin").string().size() + 1) + 4 + 12 + 6 + 8 + 2 + 4;
  past[dataEndAt + 3] = 0x7F;
  // Files from elsewhere whose I2C chip claims more than the buffer holds;
  // the shown chip's name runs no chip change, another one does.
  auto claiming = [](const char* chipName, uint32_t chipSize) {
    ProjectChip chip;
    chip.ChipFamily = 0xA0;
    chip.ChipSize = chipSize;
    chip.DataEnd = 0xFF;
    ProjectControls k;
    k.ChipName = chipName;
    const std::vector<uint8_t> data(0x100, 0x5A);
    FillerRandom filler;
    return BuildProjectFile(chip, k, data.data(), data.size(), filler);
  };
  const Case cases[] = {
      {"24xx02 of 256 MB", claiming("24xx02", 0x10000000), "> Data is Corrupted 2!"},
      {"24xx02 of 0x7A000100 bytes", claiming("24xx02", 0x7A000100), "> Data is Corrupted 2!"},
      {"24xx02 one byte past the buffer", claiming("24xx02", kDataBufferSize + 1), "> Data is Corrupted 2!"},
      {"the shown 24xx512 of 4 GB", claiming("24xx512", 0xFFFFFFFF), "> Data is Corrupted 2!"},
      {"wrong magic", magic, "> Invalid File format for Tesmel Project file!"},
      {"wrong name", name, "> File is not the Tesmel_QZ Project file!"},
      {"wrong end marker", endMarker, "> Data is Corrupted 2!"},
      {"pairs past the buffer", past, "> Data is Corrupted 2!"},
      {"cut in the header", good.substr(0, 3), ""},
      {"cut in the fields", good.substr(0, 120), ""},
      {"cut before the keys", good.substr(0, pairs - 1), ""},
      {"cut in the pairs", good.substr(0, pairs + 0x1000), ""},
  };
  for (const Case& c : cases) {
    std::ofstream(dir_ / "bad.TKP", std::ios::binary | std::ios::trunc) << c.bytes;
    boxes.clear();
    w.InfoMemo->clear();
    LoadProject(w, "bad.TKP");
    const auto texts = LogTexts();
    ASSERT_FALSE(texts.empty()) << c.name;
    if (c.logLine.empty()) {
      ASSERT_EQ(boxes.size(), 1u) << c.name;
      EXPECT_EQ(boxes[0].rfind("Read beyond end of file", 0), 0u) << c.name << ": " << boxes[0];
      EXPECT_EQ(texts.size(), 1u) << c.name;  // only the load line
    } else {
      EXPECT_TRUE(boxes.empty()) << c.name;
      // Without a time stamp, right after the load line.
      EXPECT_EQ(w.LogLines().back(), c.logLine) << c.name;
    }
    EXPECT_TRUE(SamePicture(JobPicture(Js()), job)) << c.name;
    EXPECT_TRUE(SamePicture(ControlPicture(w), controls)) << c.name;
    EXPECT_EQ(BufferHash(Js()), buffer) << c.name;
  }

  // A file that is not there is reported in a box and changes nothing.
  boxes.clear();
  LoadProject(w, "missing.TKP");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("missing.TKP"), std::string::npos);
  EXPECT_EQ(JobPicture(Js()), job);
}

TEST_F(ProjectCommands, DamagedDataByteLoadsWithAWarningNamingBothSums) {
  TQZProgrammer& w = Ready();
  Choose(w, Js(), "24xx02");
  LoadData(w, Pattern(256, 10));
  SaveProject(w);
  std::string file = FileBytes(dir_ / "job.TKP");
  const size_t pairs = PairsAt(file);
  ASSERT_LT(pairs + 5, file.size());
  file[pairs + 5] ^= 0x10;
  std::ofstream(dir_ / "damaged.TKP", std::ios::binary) << file;

  Fresh fresh = FreshWindow();
  answer = (dir_ / "damaged.TKP").string();
  boxes.clear();
  fresh.w->LoadFromTesmelProjectClick();
  // Loaded all the same: the warning leaves the decision to the operator.
  EXPECT_EQ(fresh.js->DataLoaded, 1);
  const uint8_t damaged = fresh.js->DataBuffer[5];
  EXPECT_EQ(damaged, static_cast<uint8_t>(Js().DataBuffer[5] ^ 0x10));
  const uint32_t imageSum = Js().ChipSum32 - Js().DataBuffer[5] + damaged;
  const std::string expected = msg::Fmt(
      "The project's image does not match the checksums stored in the file: file ACC32 0x%0.8x, "
      "SUM16 0x%0.4x, CRC16 0x%0.4x; image ACC32 0x%0.8x, SUM16 0x%0.4x, CRC16 0x%0.4x. Check the "
      "data before programming!",
      Js().ChipSum32, Js().DataSum16, Js().DataCRC16, imageSum, imageSum & 0xFFFF,
      PacketCRC16(fresh.js->DataBuffer.get(), 0, 0xFF));
  EXPECT_EQ(boxes, std::vector<std::string>{expected});
  const auto lines = fresh.w->LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find(expected), std::string::npos) << lines.back();
}

TEST_F(ProjectCommands, StoredSelectionsAreClampedToTheirControls) {
  TQZProgrammer& w = Ready();
  ProjectChip chip;
  chip.ChipSize = 0x180;
  chip.DataEnd = 0xFF;
  chip.ChipFamily = 0xA0;
  ProjectControls k;
  k.ChipName = "Custom part";  // not in the catalogue: its stored size bounds the trimming
  k.ChipInTime = 60000;
  k.ChipOffTime = 5;
  k.ClockIndex = 200;
  k.VoltageIndex = 255;
  k.CountLimit = 4000000000u;
  std::vector<uint8_t> data(0x100, 0x42);
  FillerRandom filler;
  std::ofstream(dir_ / "odd.TKP", std::ios::binary) << BuildProjectFile(chip, k, data.data(), data.size(), filler);
  LoadProject(w, "odd.TKP");
  EXPECT_EQ(w.SpinEditIn->value(), 1500);
  EXPECT_EQ(w.SpinEditOut->value(), 300);
  EXPECT_EQ(w.RadioGroupSpd->ItemIndex(), 3);
  EXPECT_EQ(w.RadioGpVolt->ItemIndex(), 2);
  EXPECT_EQ(w.SpinEditNumb->value(), 1000000);
  EXPECT_EQ(Js().ChipSelected, 1);
  EXPECT_EQ(Js().DataLoaded, 1);
  EXPECT_EQ(Js().DataBuffer[0xFF], 0x42);
  EXPECT_EQ(Js().ChipSizeCopy, 0x180u);
}

// --- Message log commands ----------------------------------------------------------

TEST_F(ProjectCommands, SavedLogHoldsTheMemoLinesWithCrLf) {
  TQZProgrammer& w = Ready();
  w.InfoMemo->clear();
  w.AddInfoLine("first");
  w.AppendLogLine("");
  w.AppendLogLine("操作成功！");
  std::ofstream(dir_ / "info.log") << "an older and longer file that is replaced\n";
  answer = (dir_ / "info.log").string();
  boxes.clear();
  w.SaveInfotoFile1Click();
  const auto lines = w.LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(FileBytes(dir_ / "info.log"),
            lines[0] + "\r\n\r\n\xB2\xD9\xD7\xF7\xB3\xC9\xB9\xA6\xA3\xA1\r\n");
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(w.LogLines(), lines);  // no line added

  // A file that cannot be written: the platform's error in a box.
  std::filesystem::create_directory(dir_ / "dir.log");
  answer = (dir_ / "dir.log").string();
  w.SaveInfotoFile1Click();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("dir.log"), std::string::npos);
}

TEST_F(ProjectCommands, EachSaveCommandSetsItsOwnDialogFilter) {
  TQZProgrammer& w = Ready();
  answer.clear();  // cancelled: nothing written
  w.SaveToTesmelProjectClick();
  w.SaveInfotoFile1Click();
  w.SaveToTesmelProjectClick();
  w.LoadFromTesmelProjectClick();
  w.SaveInfotoFile1Click();
  const std::vector<std::string> expected = {
      "*.TKP All Tesmel Project Files(*.TKP)|*.TKP (save)",
      "*.log All Log Files(*.Log)|*.log (save)",
      "*.TKP All Tesmel Project Files(*.TKP)|*.TKP (save)",
      "*.TKP All Tesmel Project Files (*.TKP)|*.TKP",
      "*.log All Log Files(*.Log)|*.log (save)",
  };
  EXPECT_EQ(dialogs, expected);
}

TEST_F(ProjectCommands, CopyInformationCopiesTheWholeLogAndKeepsItSelected) {
  TQZProgrammer& w = Ready();
  QClipboard* clipboard = QGuiApplication::clipboard();
  w.InfoMemo->clear();
  clipboard->setText("earlier");
  w.CopyInformation1Click();
  EXPECT_EQ(clipboard->text().toStdString(), "");

  w.AppendLogLine("one");
  w.AppendLogLine("two");
  w.CopyInformation1Click();
  EXPECT_EQ(clipboard->text().toStdString(), "one\ntwo");
  EXPECT_EQ(w.InfoMemo->textCursor().selectedText().size(), 7);
}

TEST_F(ProjectCommands, DataBufferViewerOpensOnlyWithAChip) {
  TQZProgrammer& w = Ready();
  bool opened = false;
  auto watch = [&] {
    QTimer::singleShot(0, &w, [&] {
      opened = w.DataViewForm().isVisible();
      if (opened) {
        EXPECT_EQ(w.DataViewForm().DataViewOffset, 0u);
        EXPECT_EQ(w.DataViewForm().DataViewMemo->toPlainText().split('\n').value(1).toStdString().substr(0, 16),
                  "0x00000000  FF  ");
      }
      w.DataViewForm().reject();
    });
  };
  watch();
  w.ViewDataBuffer1Click();
  EXPECT_FALSE(opened);
  QCoreApplication::processEvents();
  boxes.clear();

  Choose(w, Js(), "W25x80xx");
  watch();
  w.ViewDataBuffer1Click();
  EXPECT_TRUE(opened);
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
