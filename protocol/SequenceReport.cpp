#include <cstdint>
#include <span>
#include <string>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/Checks.h"
#include "protocol/CommandCodes.h"
#include "protocol/GaugeControl.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/SlotOperations.h"

namespace {

// B × 65536 + A as the unit's signed 32-bit count (wraps, never overflows).
int32_t Join(uint16_t b, uint16_t a) {
  return static_cast<int32_t>((static_cast<uint32_t>(b) << 16) | a);
}

// A completion counts the chip only when the unit programmed it by itself.
// While the host drives the slot, the host's own result counts the chip
// (the verify of Auto, or its failure), and a unit may report the same chip
// with both completion steps: the report is logged and moves the gauge.
void LogCompletion(JobState& js, uint8_t step, uint8_t status, uint16_t a, uint16_t b, int slot) {
  IGauge* gauge = js.GaugeSlots[slot];
  const bool unitsOwn = !SlotRunning(js, slot);
  std::string line = "Progrmming Completed : ";
  if (status == kStatusDone) {
    if (step == kStepDoneCrc16) {
      line += msg::Fmt("Successed!,Chip CRC16=0x%0.4xm,ACC16=0x%0.4x.", a, b);
    } else {
      line += msg::Fmt("Successed!,Chip CRC32=0x%0.4x%0.4x.", b, a);
    }
    if (unitsOwn) {
      js.SlotOkCount[slot] += 1;
      js.OkCount += 1;
      if (js.LogMemo) js.LogMemo->SetStatusPanel(2, msg::Fmt("%d", js.OkCount));
    }
  } else {
    if (gauge) gauge->SetColor(GaugeColor::Red);
    line += msg::Fmt("Failed : Error=0x%0.2x!", status);
    if (unitsOwn) {
      js.SlotNgCount[slot] += 1;
      CountNgTotal(js);
    }
  }
  LogSlotMessage(js, line, slot);
  FillGauge(gauge);
  LogSlotMessage(js, msg::Fmt("OK=%d, NG=%d.", js.SlotOkCount[slot], js.SlotNgCount[slot]), slot);
}

}  // namespace

void RunProgrammingSequence(JobState& js, std::span<const uint8_t> packet, int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  if (packet.size() < 8 || packet[0] != kSequenceReport) return;
  if (!SequenceReportSumIsZero(packet.data())) return;

  const uint8_t step = packet[1];
  const uint8_t status = packet[2];
  const uint16_t a = static_cast<uint16_t>(packet[3] | packet[4] << 8);
  const uint16_t b = static_cast<uint16_t>(packet[5] | packet[6] << 8);
  IGauge* gauge = js.GaugeSlots[slot];
  auto log = [&](const std::string& text) { LogSlotMessage(js, text, slot); };
  // Colour as it is: only some steps paint the gauge blue.
  auto move = [&](int64_t progress, int64_t max) {
    SetGaugeMax(gauge, max);
    SetGaugeProgress(gauge, progress);
  };
  auto blue = [&] {
    if (gauge) gauge->SetColor(GaugeColor::Blue);
  };

  switch (step) {
    case kStepInitInterface:
      log(msg::Tr("Initial Programming Interface ...."));
      move(5, 100);
      blue();
      js.SlotSeqTotal[slot] = Join(b, a);
      break;
    case kStepBlankCheck:
      log(msg::Tr("Chip Blank Checking...."));
      move(50, 100);
      break;
    case kStepErase:
      log(msg::Tr("Do Chip Erasing...."));
      move(50, 100);
      break;
    case kStepFlashProgramCounted:
      if (a == 0) log(msg::Tr("Do Main Flash Programming...."));
      blue();
      move(int64_t{a} + 2, b);
      break;
    case kStepFlashProgram:
      if (js.SlotSeqPos[slot] == 0) log(msg::Tr("Do Main Flash Programming...."));
      blue();
      move(50, 100);
      break;
    case kStepEepromProgram:
      if (a == 0) log(msg::Tr("Do EEP Data Programming...."));
      move(int64_t{a} + 2, b);
      break;
    case kStepFlashVerify:
      log(msg::Tr("Do Main Flash Verification...."));
      move(80, 100);
      break;
    case kStepFlashVerifyCounted:
      js.SlotSeqPos[slot] = Join(b, a);
      if (js.SlotSeqPos[slot] == 0) log(msg::Tr("Do Main Flash Verification...."));
      move(int64_t{js.SlotSeqPos[slot]} + 1, js.SlotSeqTotal[slot]);
      break;
    case kStepEepromVerify:
      log(msg::Tr("Do EEP Data Verification...."));
      move(50, 100);
      break;
    case kStepConfigProgram:
      log(msg::Tr("Do Chip Config Data Programming...."));
      move(50, 100);
      break;
    case kStepDoneCrc16:
    case kStepDoneCrc32:
      LogCompletion(js, step, status, a, b, slot);
      break;
    default:
      break;
  }
}
