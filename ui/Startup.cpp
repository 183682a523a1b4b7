// The first show of the main window: brings the job state, the slot tables,
// the port list and the units into a working state.
#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <exception>
#include <filesystem>
#include <system_error>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/Firmware.h"
#include "protocol/Log.h"
#include "ui/MainWindow.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogFolderName = "Log";

void SetTabCaption(QTabWidget* tabs, QWidget* page, const char* caption) {
  tabs->setTabText(tabs->indexOf(page), caption);
}

void HideTab(QTabWidget* tabs, QWidget* page) { tabs->setTabVisible(tabs->indexOf(page), false); }

// Column 0 70 pixels, column 17 130; header cells of columns 1..16 "  0".."  F".
void SizeHexGrid(QTableView* grid) {
  grid->setColumnWidth(0, 70);
  grid->setColumnWidth(17, 130);
  QAbstractItemModel* model = grid->model();
  for (int column = 1; column <= 16; ++column)
    model->setData(model->index(0, column), QString::fromStdString(msg::Fmt("  %x", column - 1)));
}

bool FileExists(const char* name) {
  std::error_code ec;
  return fs::exists(name, ec) && !fs::is_directory(name, ec);
}

}  // namespace

void TQZProgrammer::FormShow() {
  try {
    // 1. The program folder is the working folder the program was started in.
    std::error_code ec;
    js.AppDir = fs::current_path(ec).string();

    // 2. Size, centred on the screen.
    resize(910, 681);
    if (QScreen* screen = QApplication::primaryScreen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
    ProductEditX->resize(ProductEditX->width(), 22);

    // 3.-5. Grids, hidden tabs, the pages shown first.
    SizeHexGrids();
    HideTab(PageControl1, TabChipSet);
    HideTab(ViewPageCtrl, TabSheetFlash);
    HideTab(ViewPageCtrl, TabSheetRdData);
    ViewPageCtrl->setCurrentWidget(TabSheetChip);
    PageControl1->setCurrentIndex(1);

    // 6. The engine writes its lines into this window from now on.
    js.LogMemo = this;

    // 7. Only the English program replaces designed captions. Setting the
    // chip name runs the chip-change handler, before the chip defaults.
    if (msg::IsEnglishBuild()) SetEnglishCaptions();

    // 8. The log folder; a failure shows up when the log is saved.
    if (!fs::is_directory(kLogFolderName, ec))
      fs::create_directory(fs::path(js.AppDir) / kLogFolderName, ec);
    // The log of a run that ended without closing becomes a log file; this
    // run's lines go to its own journal from now on.
    StartLogJournal();

    // 9.-10.
    InitChipParams(js);
    InitSlotTables();

    // 11.-13.
    CheckFirmwareImage();
    AddInfoLine("Hello KorvanQZ-Plus User! ----- " + ShortDateText());
    AddInfoLine("3.3V Interface is selected!");

    // 14.-16.
    LoadPorts();
    LayoutForDevices();
    BitBtnFindCOMClick();
  } catch (const std::exception& e) {
    // Like any handler's uncaught error: shown, the rest of the step skipped,
    // the window shown all the same.
    ShowErrorMessage(e.what());
  }
}

void TQZProgrammer::SizeHexGrids() {
  SizeHexGrid(HexViewer);
  SizeHexGrid(RdDatView);
}

void TQZProgrammer::CheckFirmwareImage() {
  if (FileExists(kFirmwareFileName)) {
    // An image that is there but unusable is said so; upgrades then refuse
    // to start as without an image.
    if (LoadFirmwareImage(js, js.AppDir + "/" + kFirmwareFileName) != FirmwareLoadResult::Loaded)
      AddInfoLine("File of \"VOzOZEdud.ZQM\" is not a valid firmware image!");
    return;
  }
  js.FirmwareLoaded = 0;
  AddInfoLine("File of \"VOzOZEdud.ZQM\" not Found!");
  ShowMessage(msg::Tr("File \"VOzOZEdud.ZQM\" not found, please confirm!"));
}

void TQZProgrammer::SetEnglishCaptions() {
  ChkBoxCPES->setText("User Chip Size");
  StatusPanels[2]->setText("Total OK:");
  StatusPanels[3]->setText("Total NG:");
  SetTabCaption(PageControl1, TabProCtrl, "Chip Setting");
  SetTabCaption(PageControl1, TabChipSet, "Control Setting");
  SetTabCaption(PageControl1, TabSheetDP, "Sum Dispalay");
  RadioGrpSumDP->ClearItems();
  RadioGrpSumDP->AddItem("Display Chip ACC Sum");
  RadioGrpSumDP->AddItem("Display File ACC Sum");
  RadioGrpSumDP->SetItemIndex(0);
  SetTabCaption(ViewPageCtrl, TabSheetChip, "Chip Set");
  SetTabCaption(ViewPageCtrl, TabSheetFlash, "Data View");
  LoadFromTesmelProject->setText("Open Tesmel Project");
  SaveToTesmelProject->setText("Save to Tesmel Project");
  SpdBtnExit->setText("Exit");
  SpdBtnOpen->setText("Open");
  SpdBtnSave->setText("Save");
  SpdBtnDownLoad->setText("Download");
  SpeedButtonRD->setText("Read Chip");
  Label5->setText("Chip Type: ");
  ShowChipName("Pleaseinput Chip......");
  SpdBtnAutoP->setText("Auto");
  SpdBtnBlkChk->setText("Blank");
  SpdBtnErase->setText("Erase");
  SpdBtnProg->setText("Prog");
  SpdBtnVerify->setText("Verify");
  RadioGroupSpd->setTitle("SCLK Speed");
  Label8->setText("Flash Size: ");
  ChkBoxNotBLK->setText("Not Blank Error");
  RadioGpVolt->setTitle("Voltage");
  GroupBoxCtrl->setTitle("Burn Config");
  EnBlankChk->setText("Blank");
  EnEraseChk->setText("Erase");
  EnProgChk->setText("Prog");
  EnVerifyChk->setText("Verify");
  BitBtnFixSN->setText("Set Fixed S/N");
  ChkBoxNumb->setText("Limited Number: ");
  LabelSNC->setText("Initial S/N: ");
  LabelSnGain->setText("S/N Gain: ");
  LabelSNAddr->setText("S/N Address: ");
  CheckBoxSN->setText("Enable S/N");
  ChkBoxPCSN->setText("Enable Online S/N");
  SNOrderChk->setText("S/N Big Endian");
  ChkBoxStrSN->setText("S/N String ");
  Label1->setText("Pow On Time:");
  Label2->setText("Pow Down Time:");
  CheckBoxAut->setText("Auto Chip Detection");
  LabelTimIn->setText("Chip In Time:");
  LabelTimOut->setText("Chip Off Time:");
  Label9->setText("Select Dev");
  BitBtnFresh->setText("Fresh");
  BitBtnFindCOM->setText("Connecting");
  ComboBoxCOM->setEditText("Please Select COM......");
}
