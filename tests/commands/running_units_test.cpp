// Nothing changes the image or the chip under a running unit: every writer
// (data file, project, chip choice, fixed S/N, "User Chip Size", voltage),
// tried while unit 1 still has image data to send or fills the buffer, is
// refused with a box and leaves the job as it was, and the unit's next packet
// is the one it gets when nobody tried. While unit 1 only checks its chip
// (verify, blank check, erase, ID read) every writer goes ahead, and the unit
// still finishes as it would have.
// The saves wait only for a read that fills the data buffer.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <array>
#include <fstream>
#include <functional>
#include <memory>
#include <random>

#include "catalogue/ChipCatalogue.h"
#include "protocol/OperationStart.h"
#include "protocol/SlotOperations.h"
#include "support/AnswerPackets.h"
#include "support/ModalDialog.h"
#include "support/RecordingPort.h"
#include "ui/ChipSeltForm.h"
#include "ui/ConfigSNForm.h"
#include "ui/RdSetForm.h"
#include "ui/UiTestSupport.h"

namespace {

using Strings = std::vector<std::string>;

const char* const kSending = "The data buffer is being sent to the units, please wait until they finish!";
const char* const kFilling = "The data buffer is being filled by a chip read, please wait until it ends!";

constexpr size_t kImageSize = 0x10000;

// A program with recording ports and a unit on slot 1, its boxes recorded
// and its file dialogs answered with `answer`.
struct Program {
  Program(const std::filesystem::path& dir) {
    w = RecordingWindow(*js, dir, boxes);
    w->FileDialogHook = [this](const TFileDialogSpec&, bool) { return answer; };
    w->show();
    for (int s = 0; s < kSlotCount; ++s) js->CommSlots[s] = &ports[s];
    js->SlotConnected[0] = 1;
    js->DeviceCount = 1;
  }

  // The chip as the popup chooses it, then the data file through Load.
  void Job(std::string_view chip, const std::string& file) {
    const ChipEntry* entry = FindChipEntry(chip);
    ASSERT_NE(entry, nullptr) << chip;
    TChipSeltForm form(*js, *w);
    ClearChipFlagsOnOpen(*js);
    form.ChooseEntry(*entry);
    js->ChipSizeCopy = js->ChipSize;  // as the chip button does after a choice
    answer = file;
    w->FileOpenBtnClick();
    ASSERT_EQ(js->DataLoaded, 1);
    loaded = file;
  }

  // Unit 1 answers its last command.
  void Answer(const std::vector<uint8_t>& payload) {
    const std::vector<uint8_t> frame = FrameOf(AnswerPacket(0x80, payload));
    w->SPxCommReceiveData(frame.data(), static_cast<uint16_t>(frame.size()), 0);
  }
  void AnswerGood() { Answer(StatusPayload(0)); }

  std::unique_ptr<JobState> js = std::make_unique<JobState>();
  std::unique_ptr<TQZProgrammer> w;
  std::array<RecordingPort, kSlotCount> ports;
  Strings boxes;
  std::string answer;
  std::string loaded;  // the data file of the job
};

// Everything of the job that a writer could change and a running unit
// reads, as readable entries, with the window's controls of the writers.
Strings Picture(const Program& p) {
  const JobState& js = *p.js;
  Strings out;
  auto add = [&](const char* name, uint64_t v) { out.push_back(std::string(name) + "=" + std::to_string(v)); };
  add("ChipFamily", js.ChipFamily);
  add("ChipSubType", js.ChipSubType);
  add("ChipAddrMode", js.ChipAddrMode);
  add("I2CDevAddr", js.I2CDevAddr);
  add("ChipSize", js.ChipSize);
  add("ChipSizeCopy", js.ChipSizeCopy);
  add("PageSize", js.PageSize);
  add("EraseTime", js.EraseTime);
  add("Vcc18V", js.Vcc18V);
  add("PageEraseChip", js.PageEraseChip);
  add("ChipOptions", js.ChipOptions);
  add("Esp8285Mode", js.Esp8285Mode);
  for (uint8_t b : js.ChipOpBytes) add("ChipOpBytes", b);
  add("CtrlFlags", js.CtrlFlags);
  add("StepFlags", js.StepFlags);
  add("DataStart", js.DataStart);
  add("DataEnd", js.DataEnd);
  add("DataSizeKB", js.DataSizeKB);
  add("LargeImage", js.LargeImage);
  add("ChipSum32", js.ChipSum32);
  add("ChipCRC32", js.ChipCRC32);
  add("DataSum16", js.DataSum16);
  add("DataCRC16", js.DataCRC16);
  add("ReadLength", js.ReadLength);
  add("ReadStreaming", js.ReadStreaming);
  add("LargeDownload", js.LargeDownload);
  add("ChipSelected", js.ChipSelected);
  add("DataLoaded", js.DataLoaded);
  out.push_back("SelChipName=" + js.SelChipName);
  out.push_back("DataFileName=" + js.DataFileName);
  add("SlotBusy", js.SlotBusy[0]);
  add("SlotOp", static_cast<uint64_t>(js.SlotOp[0]));
  add("SlotKbIndex", js.SlotKbIndex[0]);
  add("SlotBlockTotal", js.SlotBlockTotal[0]);
  add("SlotDownloading", js.SlotDownloading[0]);
  add("SlotRawPending", js.SlotRawPending[0]);
  add("packets sent", p.ports[0].sent.size());
  FillerRandom filler = js.Filler;  // its next value stands for its state
  add("next filler", filler.Next(0xFFFFFFFFu));
  // Every writer writes from the start of the buffer.
  add("image", std::hash<std::string_view>{}(std::string_view(
                   reinterpret_cast<const char*>(js.DataBuffer.get()), 2 * kImageSize)));
  out.push_back("MCUNameEdit=" + p.w->MCUNameEdit->text().toStdString());
  out.push_back("ProductEditX=" + p.w->ProductEditX->text().toStdString());
  add("User Chip Size", p.w->ChkBoxCPES->isChecked());
  add("Voltage", static_cast<uint64_t>(p.w->RadioGpVolt->ItemIndex()));
  return out;
}

// What the unit gets, and what the log says, when its operation goes on.
struct Observed {
  std::vector<std::vector<uint8_t>> sent;
  Strings log;
  bool operator==(const Observed&) const = default;
};

// --- The running states --------------------------------------------------------

struct Files {
  std::string eeprom;  // 64 KB for a 24xx512
  std::string flash;   // 64 KB for a 16 MB flash: a large image, trimmed to 64 KB
  std::string other;   // another data file
  std::string project;  // a project of a 24xx02
};

struct RunningState {
  const char* name;
  const char* refusal;
  // Brings unit 1 into the state.
  std::function<void(Program&, const Files&)> start;
  // The unit's next step: its answer, the pacing timer or the stream.
  std::function<void(Program&)> next;
};

void PrintTo(const RunningState& state, std::ostream* os) { *os << state.name; }

std::vector<uint8_t> Image(uint32_t seed) {
  std::vector<uint8_t> image(kImageSize);
  std::mt19937 random(seed);
  for (auto& b : image) b = static_cast<uint8_t>(random() % 255);  // no 0xFF: nothing trimmed off
  return image;
}

const RunningState kStates[] = {
    {"program by pages", kSending,
     [](Program& p, const Files& f) {
       p.Job("24xx512", f.eeprom);
       p.w->SpdBtnProgClick();
     },
     [](Program& p) { p.AnswerGood(); }},
    {"paced stream", kSending,
     [](Program& p, const Files& f) {
       p.Job("W25x128xx", f.flash);
       p.w->SpdBtnProgClick();
       p.AnswerGood();  // the unit takes the stream: the pacing sends it
     },
     [](Program& p) { p.w->Timer2Timer(); }},
    {"download by rounds", kSending,
     [](Program& p, const Files& f) {
       p.Job("W25x128xx", f.flash);
       p.w->SpdBtnDownLoadClick();
       p.AnswerGood();  // the configuration: the raw download is asked for
     },
     [](Program& p) { p.AnswerGood(); }},
    {"streamed read", kFilling,
     [](Program& p, const Files& f) {
       p.Job("W25x128xx", f.flash);
       WithDialog<TRdSetForm>(p.w->RdSetForm(), [](TRdSetForm& d) { d.BitBtn1->click(); },
                              [&] { p.w->SpeedButtonRDClick(); });
       p.AnswerGood();  // the chip's bytes follow without frames
     },
     [](Program& p) {
       const std::vector<uint8_t> chip = Image(7);
       for (size_t at = 0; at < chip.size(); at += 4096)
         p.w->SPxCommReceiveData(chip.data() + at, 4096, 0);
     }},
    {"read by blocks", kFilling,
     [](Program& p, const Files& f) {
       p.Job("24xx512", f.eeprom);
       p.w->SpeedButtonRDClick();
     },
     [](Program& p) {
       std::vector<uint8_t> block = Image(8);
       block.resize(4096);  // one 4 KB block of the chip
       p.Answer(block);
     }},
    {"read of the stored image", kFilling,
     [](Program& p, const Files& f) {
       p.Job("24xx512", f.eeprom);
       p.w->ReadIntMemClick();
     },
     [](Program& p) {
       // The unit's stored image, 4 KB an answer, to its end.
       const std::vector<uint8_t> stored = Image(9);
       for (size_t at = 0; at < stored.size(); at += 4096)
         p.Answer({stored.begin() + static_cast<long>(at), stored.begin() + static_cast<long>(at + 4096)});
     }},
};

// Unit 1 sends nothing more of the image and reads nothing into the buffer.
const RunningState kCheckingStates[] = {
    {"verify", nullptr,
     [](Program& p, const Files& f) {
       p.Job("24xx512", f.eeprom);
       p.w->SpdBtnVerifyClick();
     },
     [](Program& p) { p.AnswerGood(); }},
    {"the verify that ends Auto", nullptr,
     [](Program& p, const Files& f) {
       p.Job("24xx512", f.eeprom);
       p.w->SpdBtnAutoPClick();
       for (uint32_t page = 0; page < kImageSize / 4096; ++page) p.AnswerGood();
       ASSERT_EQ(p.js->SlotOp[0], kOpVerify);
     },
     [](Program& p) { p.AnswerGood(); }},
    {"blank check", nullptr,
     [](Program& p, const Files& f) {
       p.Job("W25x128xx", f.flash);
       p.w->BlankCheck1Click();
     },
     [](Program& p) { p.AnswerGood(); }},
    {"erase", nullptr,
     [](Program& p, const Files& f) {
       p.Job("W25x128xx", f.flash);
       p.w->SpdBtnEraseClick();
     },
     [](Program& p) { p.AnswerGood(); }},
    {"ID read", nullptr,
     [](Program& p, const Files& f) {
       p.Job("W25x128xx", f.flash);
       p.w->ReadChipIDandStatus1Click();
     },
     [](Program& p) { p.Answer({0xEF, 0x40, 0x18, 0x00, 0x02, 0x00}); }},
};

// --- The writers -----------------------------------------------------------------

struct Writer {
  const char* name;
  std::function<void(Program&, const Files&)> act;
};

// Runs `run`; a modal dialog it opens is closed at once.
template <typename Dialog>
void ClosingAnyDialog(Dialog& dialog, const std::function<void()>& run) {
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (dialog.isVisible()) dialog.reject();
  });
  poll.start();
  run();
}

const Writer kWriters[] = {
    {"Open button",
     [](Program& p, const Files& f) {
       p.answer = f.other;
       p.w->SpdBtnOpen->click();
     }},
    {"Load Data File menu (Ctrl+L)",
     [](Program& p, const Files& f) {
       p.answer = f.other;
       p.w->Execute1->trigger();
     }},
    {"Open Tesmel Project",
     [](Program& p, const Files& f) {
       p.answer = f.project;
       p.w->LoadFromTesmelProject->trigger();
     }},
    {"chip button",
     [](Program& p, const Files&) {
       TChipSeltForm form(*p.js, *p.w);
       p.w->SetChipForm(&form);
       ClosingAnyDialog(form, [&] { p.w->DevButton->click(); });
       p.w->SetChipForm(nullptr);
     }},
    {"chip popup",
     [](Program& p, const Files&) {
       TChipSeltForm form(*p.js, *p.w);
       form.ChooseEntry(*FindChipEntry("24xx02"));
     }},
    {"Set Fixed S/N button",
     [](Program& p, const Files&) {
       ClosingAnyDialog(p.w->ConfigSNForm(), [&] { p.w->BitBtnFixSNClick(); });
     }},
    {"fixed S/N dialog's OK",
     [](Program& p, const Files&) {
       TConfigSNForm& d = p.w->ConfigSNForm();
       d.AddrEditSN->setText("0x100");
       d.EditDataSN->setText("SN-0001");
       d.WriteFixedSNData();
     }},
    {"User Chip Size", [](Program& p, const Files&) { p.w->ChkBoxCPES->click(); }},
    {"voltage",
     [](Program& p, const Files&) {
       p.w->RadioGpVolt->findChildren<QRadioButton*>().at(1)->click();  // 5.0V
     }},
};

std::vector<uint8_t> Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

class RunningUnits : public ScratchFolderTest, public ::testing::WithParamInterface<RunningState> {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    files.eeprom = WriteFile(dir_ / "eeprom.bin", Image(1));
    files.flash = WriteFile(dir_ / "flash.bin", Image(2));
    files.other = WriteFile(dir_ / "other.bin", Image(3));
    files.project = (dir_ / "other.TKP").string();
    Program maker(dir_);
    std::vector<uint8_t> small = Image(4);
    small.resize(256);
    maker.Job("24xx02", WriteFile(dir_ / "small.bin", small));
    maker.answer = files.project;
    maker.w->SaveToTesmelProjectClick();
    ASSERT_TRUE(std::filesystem::exists(files.project));
  }

  // A program in the state, and what its unit gets next from there.
  std::unique_ptr<Program> Started(const RunningState& state) {
    auto p = std::make_unique<Program>(dir_);
    state.start(*p, files);
    p->boxes.clear();
    return p;
  }
  static Observed Next(Program& p, const RunningState& state) {
    for (auto& port : p.ports) port.sent.clear();
    const size_t mark = p.w->LogLines().size();
    state.next(p);
    Strings log = LogTextsOf(*p.w);
    return {p.ports[0].sent, Strings(log.begin() + static_cast<long>(mark), log.end())};
  }

  Files files;
};

// Each writer in turn on one program (a job takes a data buffer of 130 MB);
// the untouched program gives the unit's next step. A writer is refused,
// changing nothing, while the unit still needs the image or fills the
// buffer; while it only checks its chip every writer goes ahead.
TEST_P(RunningUnits, WritersWaitOnlyWhileTheUnitNeedsTheImageAndItsNextStepStaysTheSame) {
  const RunningState& state = GetParam();
  const bool refused = state.refusal != nullptr;
  Observed expected;
  {
    auto untouched = Started(state);
    ASSERT_EQ(ImageAndChipMayChange(*untouched->js), !refused);
    expected = Next(*untouched, state);
  }
  ASSERT_FALSE(expected.sent.empty() && expected.log.empty());

  auto p = Started(state);
  const Strings before = Picture(*p);
  for (const Writer& writer : kWriters) {
    SCOPED_TRACE(writer.name);
    p->boxes.clear();
    writer.act(*p, files);
    if (refused) {
      EXPECT_EQ(p->boxes, Strings{state.refusal});
      EXPECT_EQ(Picture(*p), before);
      continue;
    }
    for (const std::string& box : p->boxes) {
      EXPECT_NE(box, kSending);
      EXPECT_NE(box, kFilling);
    }
  }
  if (!refused) {
    EXPECT_NE(Picture(*p), before);  // the writers did write
  }
  EXPECT_TRUE(Next(*p, state) == expected) << "the unit's next step differs";
}

// A save writes the data buffer as it is: while a read fills it, that is
// the chip's first bytes over the earlier image. Both saves wait for the
// read with its refusal and write nothing; while the buffer only goes out
// to the units, or a verify runs, they write the image as it was loaded.
TEST_P(RunningUnits, SavesWaitForAReadThatFillsTheBuffer) {
  const RunningState& state = GetParam();
  const bool filling = state.refusal != nullptr && std::string(state.refusal) == kFilling;
  auto p = Started(state);
  const std::string data = (dir_ / "saved.bin").string();
  const std::string project = (dir_ / "saved.TKP").string();

  p->boxes.clear();
  p->answer = data;
  p->w->SpdBtnSave->click();
  p->answer = project;
  p->w->SaveToTesmelProject->trigger();

  if (filling) {
    EXPECT_EQ(p->boxes, (Strings{kFilling, kFilling}));
    EXPECT_FALSE(std::filesystem::exists(data));
    EXPECT_FALSE(std::filesystem::exists(project));
    return;
  }
  ASSERT_EQ(p->boxes.size(), 2u) << ::testing::PrintToString(p->boxes);
  EXPECT_EQ(p->boxes[0], "File \"" + data + "\" has been saved!");
  EXPECT_EQ(p->boxes[1], "Tesmel Project file of " + project + " has been saved!");
  EXPECT_TRUE(Contents(data) == Contents(p->loaded));
  EXPECT_TRUE(std::filesystem::exists(project));
}

// A read that begins while the save's file dialog is open: nothing is written.
TEST_F(ScratchFolderTest, SaveWhoseDialogSawAReadBeginWritesNothing) {
  for (const bool project : {false, true}) {
    SCOPED_TRACE(project ? "project" : "data");
    Program p(dir_);
    p.Job("24xx512", WriteFile(dir_ / "eeprom.bin", Image(1)));
    const std::string path = (dir_ / (project ? "saved.TKP" : "saved.bin")).string();
    p.w->FileDialogHook = [&](const TFileDialogSpec&, bool) {
      p.w->SpeedButtonRDClick();
      return path;
    };
    p.boxes.clear();
    if (project) {
      p.w->SaveToTesmelProject->trigger();
    } else {
      p.w->SpdBtnSave->click();
    }
    ASSERT_EQ(p.js->SlotOp[0], kOpReadChip155);
    EXPECT_EQ(p.boxes, Strings{kFilling});
    EXPECT_FALSE(std::filesystem::exists(path));
  }
}

std::string StateName(const ::testing::TestParamInfo<RunningState>& info) {
  std::string n = info.param.name;
  for (char& ch : n)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(States, RunningUnits, ::testing::ValuesIn(kStates), StateName);
INSTANTIATE_TEST_SUITE_P(CheckingStates, RunningUnits, ::testing::ValuesIn(kCheckingStates), StateName);

}  // namespace
