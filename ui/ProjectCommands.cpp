// The project menu: a whole job saved to and restored from a project file.
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>
#include <optional>

#include "catalogue/ChipCatalogue.h"
#include "files/ProjectFile.h"
#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/DataRange.h"
#include "protocol/Log.h"
#include "protocol/OperationStart.h"
#include "ui/MainWindow.h"

namespace {

std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }

ProjectControls ControlsOf(const TQZProgrammer& w) {
  ProjectControls k;
  k.ChipName = Text(w.MCUNameEdit);
  k.ProductText = Text(w.ProductEditX);
  k.AutoDetect = w.CheckBoxAut->isChecked();
  k.ChipInTime = w.SpinEditIn->value();
  k.ChipOffTime = w.SpinEditOut->value();
  k.ClockIndex = w.RadioGroupSpd->ItemIndex();
  k.VoltageIndex = w.RadioGpVolt->ItemIndex();
  k.WriteProtect = w.CheckBoxWRP->isChecked();
  k.SerialNumber = w.CheckBoxSN->isChecked();
  k.OnlineSN = w.ChkBoxPCSN->isChecked();
  k.SNBigEndian = w.SNOrderChk->isChecked();
  k.StringSN = w.ChkBoxStrSN->isChecked();
  k.SNText = Text(w.SNEdit);
  k.GainText = Text(w.GainEdit);
  k.AddrText = Text(w.AddrEdit);
  k.CountLimitOn = w.ChkBoxNumb->isChecked();
  k.CountLimit = static_cast<uint32_t>(w.SpinEditNumb->value());
  return k;
}

// Each setter changes its control with the control's signals blocked and
// tells whether the value changed.
bool SetChecked(QCheckBox* box, bool on) {
  if (box->isChecked() == on) return false;
  const QSignalBlocker quiet(box);
  box->setChecked(on);
  return true;
}

bool SetSpin(QSpinBox* spin, int64_t value) {
  const int before = spin->value();
  const QSignalBlocker quiet(spin);
  spin->setValue(static_cast<int>(std::clamp<int64_t>(value, spin->minimum(), spin->maximum())));
  return spin->value() != before;
}

bool SetItem(TRadioGroup* group, int index) {
  const int before = group->ItemIndex();
  const QSignalBlocker quiet(group);
  group->SetItemIndex(std::clamp(index, 0, std::max(group->ItemCount() - 1, 0)));
  return group->ItemIndex() != before;
}

// The stored controls in the file's order. No handler runs behind a control:
// where one keeps the job or other controls in step with a control, it is
// called here, after the control it follows and only when that changed. The
// write-protection box is not restored.
void ApplyControls(TQZProgrammer& w, const ProjectControls& k) {
  if (SetChecked(w.CheckBoxAut, k.AutoDetect)) w.CheckBoxAutClick();
  SetSpin(w.SpinEditIn, k.ChipInTime);
  SetSpin(w.SpinEditOut, k.ChipOffTime);
  SetItem(w.RadioGroupSpd, k.ClockIndex);
  // The voltage bits of CtrlFlags follow the restored choice, over the file's.
  if (SetItem(w.RadioGpVolt, k.VoltageIndex)) w.RadioGpVoltClick();
  if (SetChecked(w.CheckBoxSN, k.SerialNumber)) w.CheckBoxSNClick();
  if (SetChecked(w.ChkBoxPCSN, k.OnlineSN)) w.KeepOnlineSNInStep();
  SetChecked(w.SNOrderChk, k.SNBigEndian);
  SetChecked(w.ChkBoxStrSN, k.StringSN);  // its click changes nothing
  w.SNEdit->setText(QString::fromStdString(k.SNText));
  w.GainEdit->setText(QString::fromStdString(k.GainText));
  w.AddrEdit->setText(QString::fromStdString(k.AddrText));
  SetChecked(w.ChkBoxNumb, k.CountLimitOn);
  // A limit above 0 checks the limit box, over the stored state.
  if (SetSpin(w.SpinEditNumb, k.CountLimit)) w.SpinEditNumbChange();
}

// The checksums stored beside a loaded image and those of the image itself.
struct LoadedSums {
  ProjectSums stored;
  ProjectSums image;
};

// Reads and checks the whole file; only a file that passes every check
// reaches the job and the window. The sums when it was loaded.
std::optional<LoadedSums> LoadProject(TQZProgrammer& w, JobState& js, const std::string& path) {
  std::string file;
  if (std::string error = ReadWholeFile(path, file, ProjectReadLimit(kDataBufferSize));
      !error.empty()) {
    w.ShowErrorMessage(error);
    return std::nullopt;
  }
  ParsedProject p = ParseProjectFile(file, kDataBufferSize);
  // The trimming after the load starts from the chip's own size, which the
  // buffer must hold as well.
  const ChipEntry* entry = FindChipEntry(p.controls.ChipName);
  const uint32_t chipSizeCopy = entry ? entry->chipSize : p.chip.ChipSize;
  if (p.status == ProjectStatus::Ok && chipSizeCopy > kDataBufferSize)
    p.status = ProjectStatus::RangeOutsideBuffer;
  switch (p.status) {
    case ProjectStatus::Ok:
      break;
    case ProjectStatus::BadMagic:
      AddRawLine(js, "> Invalid File format for Tesmel Project file!");
      return std::nullopt;
    case ProjectStatus::NotProject:
      AddRawLine(js, "> File is not the Tesmel_QZ Project file!");
      return std::nullopt;
    case ProjectStatus::BadDataMarker:
    case ProjectStatus::RangeOutsideBuffer:
      AddRawLine(js, "> Data is Corrupted 2!");
      return std::nullopt;
    case ProjectStatus::ShortFile:
      w.ShowErrorMessage(msg::FmtV(msg::Tr("Read beyond end of file \"%s\": it holds %llu bytes, the project needs %llu."),
                                  path.c_str(), static_cast<unsigned long long>(file.size()),
                                  static_cast<unsigned long long>(p.bytesNeeded)));
      return std::nullopt;
  }

  js.ChipSelected = 0;
  js.DataLoaded = 0;
  const ProjectControls& k = p.controls;
  if (!k.ProductText.empty()) w.ProductEditX->setText(QString::fromStdString(k.ProductText));
  ApplyProjectChipBeforeName(js, p.chip);
  // The chip change starts from the fields before the name; those after it
  // replace what the chip change set. A name other than the one shown runs
  // the chip change, as a choice of that chip would.
  if (!k.ChipName.empty()) w.ShowChipName(QString::fromStdString(k.ChipName));
  ApplyProjectChipAfterName(js, p.chip);
  ApplyControls(w, k);
  js.DataLoaded = 1;
  StoreProjectImage(p, file, js.DataBuffer.get(), kDataBufferSize);
  js.ChipSelected = 1;
  js.ChipSizeCopy = chipSizeCopy;
  return LoadedSums{StoredProjectSums(p.chip),
                    ProjectImageSums(p.chip, js.DataBuffer.get(), kDataBufferSize)};
}

// A file from elsewhere may have summed another range, so a difference is
// told, not refused: the operator decides before programming.
void WarnOnSumsThatDiffer(TQZProgrammer& w, const LoadedSums& sums) {
  if (sums.stored == sums.image) return;
  const std::string m = msg::FmtV(
      msg::Tr("The project's image does not match the checksums stored in the file: file ACC32 "
              "0x%0.8x, SUM16 0x%0.4x, CRC16 0x%0.4x; image ACC32 0x%0.8x, SUM16 0x%0.4x, CRC16 "
              "0x%0.4x. Check the data before programming!"),
      sums.stored.ChipSum32, sums.stored.DataSum16, sums.stored.DataCRC16, sums.image.ChipSum32,
      sums.image.DataSum16, sums.image.DataCRC16);
  w.AddInfoLine(m);
  w.ShowMessage(m);
}

}  // namespace

void TQZProgrammer::LoadFromTesmelProjectClick() {
  // A project replaces the image, the chip and the controls: never under a
  // running unit, asked again once the dialog has let other events run.
  if (RefuseImageOrChipChange(js)) return;
  const std::string path = ChooseFile(OpenDialogPrj, false);
  if (path.empty() || RefuseImageOrChipChange(js)) return;
  AddInfoLine(msg::Fmt("Load Project file \"%s\"", path.c_str()));
  const std::optional<LoadedSums> sums = LoadProject(*this, js, path);
  if (!sums) return;
  js.FileStartAddr = js.DataStart;
  js.FileEndAddr = js.DataEnd;
  TakeImageRange(js);
  WarnOnSumsThatDiffer(*this, *sums);
}

void TQZProgrammer::SaveToTesmelProjectClick() {
  SaveDialogPrj.DefaultExt = "*.TKP";
  SaveDialogPrj.Filter = "All Tesmel Project Files(*.TKP)|*.TKP";
  // The project holds the data buffer: never while a read fills it.
  if (RefuseSaveWhileBufferFills(js)) return;
  const std::string path = ChooseFile(SaveDialogPrj, true);
  if (path.empty() || RefuseSaveWhileBufferFills(js)) return;
  if (std::string error = SaveProjectFile(js, ControlsOf(*this), path); !error.empty()) {
    ShowErrorMessage(error);
    return;
  }
  const std::string m = "Tesmel Project file of " + path + " has been saved!";
  AddInfoLine(m);
  ShowMessage(m);
}
