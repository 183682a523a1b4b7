// The main window's data buffer commands: load a data file, save the range,
// the hex grid, and the Space/Enter shortcut for Auto Programming.
#include <QApplication>
#include <QFileDialog>
#include <QFrame>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QCheckBox>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

#include "files/DataLoad.h"
#include "messages/Messages.h"
#include "protocol/DataRange.h"
#include "protocol/OperationStart.h"
#include "ui/HexGridModel.h"
#include "ui/MainWindow.h"

std::string TQZProgrammer::ChooseFile(const TFileDialogSpec& spec, bool save) {
  if (FileDialogHook) return FileDialogHook(spec, save);
  QFileDialog dialog(this);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilter(spec.QtFilter());
  dialog.selectNameFilter(spec.QtSelectedFilter());
  QString ext = QString::fromStdString(spec.DefaultExt);
  if (save && ext.startsWith("*.") && !ext.contains(';')) dialog.setDefaultSuffix(ext.mid(2));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdString();
}

void TQZProgrammer::FileOpenBtnClick() {
  // No file is asked for before a chip type bounds its range.
  if (!ChipChosenForLoad(js)) {
    ShowMessage(msg::Tr("Please select Chip Type!"));
    return;
  }
  // Nor while a unit runs; the load itself asks again after the dialog.
  if (RefuseImageOrChipChange(js)) return;
  const std::string path = ChooseFile(OpenDialog1, false);
  if (path.empty()) return;
  if (OpenDataFile(js, path)) ProductEditX->setText(QString::fromStdString(path));
}

void TQZProgrammer::FileSaveBtnClick() {
  // A read filling the buffer would give a file of chip and old image mixed;
  // asked again once the dialog has let other events run.
  if (RefuseSaveWhileBufferFills(js)) return;
  if (!js.DataLoaded) {
    ShowMessage(msg::Tr("No data to be saved!"));
    return;
  }
  const std::string path = ChooseFile(SaveDialog1, true);
  if (path.empty()) {
    ShowMessage(msg::Tr("No data to be saved!"));
    return;
  }
  if (RefuseSaveWhileBufferFills(js)) return;
  SaveDataBuffer(js, path);
}

// The read data page's "Save to File" saves the same range.
void TQZProgrammer::SavetoFile1Click() { FileSaveBtnClick(); }

void TQZProgrammer::FormKeyPress(char& key) {
  Panel1->setFocus();
  if (SpdBtnAutoP->isEnabled() && (key == ' ' || key == '\r')) SpdBtnAutoPClick();
}

void TQZProgrammer::ChkBoxCPESClick() {
  // The box decides the range a running unit is sending: it stays as it was.
  if (RefuseImageOrChipChange(js)) {
    const QSignalBlocker quiet(ChkBoxCPES);
    ChkBoxCPES->setChecked(!ChkBoxCPES->isChecked());
    return;
  }
  js.UserChipSize = ChkBoxCPES->isChecked() ? 1 : 0;
  RefitForUserChipSize(js);
}

void TQZProgrammer::ShowHexRange(uint32_t first, uint32_t last) { FillHexViewer(first, last); }

void TQZProgrammer::SetBusyCursor(bool busy) {
  if (busy) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
  }
}

void TQZProgrammer::FillHexViewer(uint32_t first, uint32_t last) {
  ViewPageCtrl->setTabVisible(ViewPageCtrl->indexOf(TabSheetFlash), true);
  auto* model = static_cast<THexGridModel*>(HexViewer->model());
  model->SetBuffer(js.DataBuffer.get(), kDataBufferSize);
  model->Fill(first, last);
  FixHeaderRow(HexViewer);
}
