#pragma once
// The operator's settings as the window's controls hold them, and their copy
// into the job state when a command starts. The controls are read only then,
// so a changed setting takes effect with the next command. Plain C++ without
// widgets, so the collection can be tested on its own.
#include <cstdint>
#include <string>

struct JobState;

// The state of every control the collection reads, named after the control.
struct ControlStates {
  // The chip named in MCUNameEdit takes its quad enable in its status byte
  // (a flag of its catalogue entry).
  bool QuadEnableInStatus = false;

  // Flash chips.
  bool ChkBoxLSP = false;   // low-speed programming
  bool ChkBoxSRWD = false;  // "SRWD Disabled"
  bool CheckBoxQE = false;  // "Set QE=1"
  bool CheckBoxWRP = false; // SPD parts: "Write Protection "
  bool EnBlankChk = false;
  bool EnEraseChk = false;
  bool EnProgChk = true;
  bool EnVerifyChk = true;
  bool ChkBoxNotBLK = false;

  // I2C EEPROMs.
  int RadioGroupA61 = -1;          // 0: "A16 At Bit1"
  std::string EditDevAdrX = "0xA0";

  // Timing and detection.
  int SpinEditIn = 500;
  int SpinEditOut = 500;
  int SpinEditPTM = 100;
  bool CheckBoxAut = false;

  // Voltage (0: 3.3V, 1: 5.0V, 2: 1.8V) and clock (0: 100 kHz .. 3: 1 MHz).
  int RadioGpVolt = 0;
  int RadioGroupSpd = 3;

  // Serial number and count limit.
  bool CheckBoxSN = false;
  bool SNOrderChk = false;  // big endian
  bool ChkBoxPCSN = false;  // "Enable Online S/N"
  std::string SNEdit = "0x00000000";
  std::string GainEdit = "0x01";
  std::string AddrEdit = "0x0000FFF0";
  bool ChkBoxNumb = false;
  int SpinEditNumb = 0;

  // Checksum shown: RadioGroupX 0 ACC32, 1 CRC32; RadioGrpSumDP 0 chip, 1 file.
  int RadioGroupX = 1;
  int RadioGrpSumDP = 0;

  bool ChkBoxCPES = false;  // "User Chip Size"
};

// The interface voltage choice (RadioGpVolt: 0 3.3 V, 1 5.0 V, 2 1.8 V) in
// CtrlFlags: bit 0 for 5.0 V, bit 2 for 1.8 V, neither for 3.3 V. The 3.3 V
// choice clears kCtrlVoltageMask.
inline constexpr uint8_t kCtrlVoltage5V = 0x01;
inline constexpr uint8_t kCtrlVoltage18V = 0x04;
inline constexpr uint8_t kCtrlVoltageMask = 0x07;
constexpr uint8_t VoltageBitsOf(int voltIndex) {
  return voltIndex == 1 ? kCtrlVoltage5V : voltIndex == 2 ? kCtrlVoltage18V : 0;
}

// Copies the settings into the control fields of the job state and logs
// them. A number field that holds no integer stops the copy there with
// "'%s' is not a valid integer value" in an error box: the fields before it
// keep their new values, and the caller must not start its command (false).
// The slots' tables are left alone: a slot still running an earlier command
// keeps its place, and a slot that takes part is reset when it starts.
bool CollectControlSettings(JobState& js, const ControlStates& controls);
