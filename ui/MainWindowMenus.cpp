// Menus, popup menus, the status bar, the file dialogs' designed properties,
// the timers, and the binding of every control event to its handler.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "ui/MainWindow.h"

namespace {

QAction* Item(QMenu* menu, const char* name, const QString& caption, const QKeySequence& keys = {}) {
  auto* action = menu->addAction(caption);
  action->setObjectName(name);
  if (!keys.isEmpty()) action->setShortcut(keys);
  return action;
}

QAction* Separator(QMenu* menu, const char* name) {
  QAction* action = menu->addSeparator();
  action->setObjectName(name);
  return action;
}

QMenu* Menu(QMenuBar* bar, const char* name, const QString& caption) {
  QMenu* menu = bar->addMenu(caption);
  menu->setObjectName(name);
  menu->menuAction()->setObjectName(name);
  return menu;
}

}  // namespace

void TQZProgrammer::BuildStatusBar() {
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setFixedHeight(28);
  StatusBar1->setSizeGripEnabled(false);
  setStatusBar(StatusBar1);
  static const char* const kTexts[4] = {"ACC CheckSum : ", "CRC CheckSum : ", "烧写OK总数: 0",
                                        "烧写NG总数: 0"};
  static const int kWidths[4] = {200, 200, 200, 50};
  for (int i = 0; i < 4; ++i) {
    auto* panel = new QLabel(kTexts[i], StatusBar1);
    panel->setObjectName(QString("StatusPanel%1").arg(i));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setMinimumWidth(kWidths[i]);
    if (i < 3) panel->setFixedWidth(kWidths[i]);
    // The last panel takes the rest of the bar.
    StatusBar1->addPermanentWidget(panel, i == 3 ? 1 : 0);
    StatusPanels[i] = panel;
  }
}

void TQZProgrammer::BuildMenus() {
  MainMenu1 = new QMenuBar(this);
  MainMenu1->setObjectName("MainMenu1");
  setMenuBar(MainMenu1);

  File1 = Menu(MainMenu1, "File1", "&File");
  Execute1 = Item(File1, "Execute1", "&Load Data File", QKeySequence("Ctrl+L"));
  SaveFile1 = Item(File1, "SaveFile1", "&Save Buffer To File", QKeySequence("Ctrl+S"));
  N14 = Separator(File1, "N14");
  N5 = Item(File1, "N5", "Config Log File");
  SaveInfotoFile2 = Item(File1, "SaveInfotoFile2", "Save Info to File");
  N2 = Separator(File1, "N2");
  ViewDataBuffer1 = Item(File1, "ViewDataBuffer1", "View Data Buffer");
  N6 = Separator(File1, "N6");
  Exit1 = Item(File1, "Exit1", "E&xit", QKeySequence("Ctrl+X"));

  Execute2 = Menu(MainMenu1, "Execute2", "&Command");
  Download1 = Item(Execute2, "Download1", "&Download ToProgrammer", QKeySequence("Ctrl+D"));
  ReadFlash1 = Item(Execute2, "ReadFlash1", "Read Target Chip Memory", QKeySequence("Ctrl+R"));
  ReadFlash1->setVisible(false);
  N15 = Separator(Execute2, "N15");
  BlankCheck1 = Item(Execute2, "BlankCheck1", "Blank Check");
  EraseChip1 = Item(Execute2, "EraseChip1", "&Erase Chip", QKeySequence(Qt::Key_F6));
  Programming1 = Item(Execute2, "Programming1", "&Programming", QKeySequence(Qt::Key_F7));
  VeriufyDownload1 = Item(Execute2, "VeriufyDownload1", "&Verification", QKeySequence(Qt::Key_F8));
  N12 = Separator(Execute2, "N12");
  AutoProgram1 = Item(Execute2, "AutoProgram1", "&Auto Programming", QKeySequence(Qt::Key_F5));
  AddressWrite1 = Item(Execute2, "AddressWrite1", "Address Write");
  AddressWrite1->setVisible(false);
  N1 = Separator(Execute2, "N1");
  ReadChipIDandStatus1 = Item(Execute2, "ReadChipIDandStatus1", "Read Chip ID and Status");
  DoFirmwareUpgrade1 = Item(Execute2, "DoFirmwareUpgrade1", "Do Firmware Upgrade");
  DoOffLineMonitor1 = Item(Execute2, "DoOffLineMonitor1", "Do Off-Line Monitor ");

  Project1 = Menu(MainMenu1, "Project1", "Project");
  LoadFromTesmelProject = Item(Project1, "LoadFromTesmelProject", "打开Tesmel工程文件");
  SaveToTesmelProject = Item(Project1, "SaveToTesmelProject", "保存为Tesmel工程文件");

  Help1 = Menu(MainMenu1, "Help1", "&Help");
  About1 = Item(Help1, "About1", "About");

  // Menu shortcuts act on the whole window, whichever control has the focus.
  for (QAction* a : {Execute1, SaveFile1, Exit1, Download1, ReadFlash1, EraseChip1, Programming1,
                     VeriufyDownload1, AutoProgram1})
    addAction(a);
}

void TQZProgrammer::BuildPopupMenus() {
  PopupMenu2 = new QMenu(this);
  PopupMenu2->setObjectName("PopupMenu2");
  ClearInformation1 = Item(PopupMenu2, "ClearInformation1", "Clear Information");
  CopyInformation1 = Item(PopupMenu2, "CopyInformation1", "Copy Information");
  SaveInfotoFile1 = Item(PopupMenu2, "SaveInfotoFile1", "Save Information to File");
  connect(InfoMemo, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu2->exec(InfoMemo->viewport()->mapToGlobal(at)); });

  PopupMenu1RD = new QMenu(this);
  PopupMenu1RD->setObjectName("PopupMenu1RD");
  SavetoFile1 = Item(PopupMenu1RD, "SavetoFile1", "Save to File");
  connect(RdDatView, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1RD->exec(RdDatView->viewport()->mapToGlobal(at)); });
}

void TQZProgrammer::BuildDialogsAndTimers() {
  OpenDialog1 = {"*.Hex;*.S1*;*.Bin",
                 "All Files (*.*)|*.*|All Binary Files (*.Bin)|*.Bin|All Intel Hex Files "
                 "(*.Hex)|*.Hex|All Motorola Hex Files(*.S19,*.Sxx)|*.S19;*.Sx|All Hex/Binary "
                 "Files (*.Hex,*.S1*,*.Bin)|*.Hex;*.S1*;*.Bin",
                 5};
  SaveDialog1 = {"*.bin", "All Binary Files(*.BIN)|*.BIN", 1};
  OpenDialogPrj = {"*.TKP", "All Tesmel Project Files (*.TKP)|*.TKP", 1};
  SaveDialogPrj = {"*.TKP", "All Tesmel Project Files(*.TKP)|*.TKP", 1};

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(10);
  Timer2 = new QTimer(this);
  Timer2->setObjectName("Timer2");
  Timer2->setInterval(170);
}

void TQZProgrammer::ConnectHandlers() {
  auto click = [this](QAbstractButton* b, void (TQZProgrammer::*handler)()) {
    connect(b, &QAbstractButton::clicked, this, handler);
  };
  auto trigger = [this](QAction* a, void (TQZProgrammer::*handler)()) {
    connect(a, &QAction::triggered, this, handler);
  };
  // A check box's click handler sees every change of its state, also one
  // made by the program.
  auto toggle = [this](QCheckBox* b, void (TQZProgrammer::*handler)()) {
    connect(b, &QCheckBox::toggled, this, handler);
  };
  auto radio = [this](TRadioGroup* g, void (TQZProgrammer::*handler)()) {
    connect(g, &TRadioGroup::Click, this, handler);
  };

  // Tool bar.
  click(SpdBtnExit, &TQZProgrammer::SpdBtnExitClick);
  click(SpdBtnOpen, &TQZProgrammer::FileOpenBtnClick);
  click(SpdBtnSave, &TQZProgrammer::FileSaveBtnClick);
  click(SpdBtnDownLoad, &TQZProgrammer::SpdBtnDownLoadClick);
  click(SpeedButtonRD, &TQZProgrammer::SpeedButtonRDClick);
  click(SpdBtnAutoP, &TQZProgrammer::SpdBtnAutoPClick);
  click(SpdBtnBlkChk, &TQZProgrammer::BlankCheck1Click);
  click(SpdBtnErase, &TQZProgrammer::SpdBtnEraseClick);
  click(SpdBtnProg, &TQZProgrammer::SpdBtnProgClick);
  click(SpdBtnVerify, &TQZProgrammer::SpdBtnVerifyClick);

  // Chip group and option pages.
  // MCUNameEdit: ShowChipName runs the chip change.
  click(DevButton, &TQZProgrammer::DevButtonClick);
  radio(RadioGpVolt, &TQZProgrammer::RadioGpVoltClick);
  connect(ComBoxWP8, &QComboBox::activated, this, &TQZProgrammer::ComBoxWP8Change);
  connect(ComBoxWPF, &QComboBox::activated, this, &TQZProgrammer::ComBoxWPFChange);
  toggle(ChkBoxSRWD, &TQZProgrammer::ChkBoxSRWDClick);
  toggle(ChkBoxCPES, &TQZProgrammer::ChkBoxCPESClick);
  click(Button1, &TQZProgrammer::Button1Click);
  toggle(CheckBoxSN, &TQZProgrammer::CheckBoxSNClick);
  toggle(ChkBoxPCSN, &TQZProgrammer::KeepOnlineSNInStep);
  toggle(ChkBoxStrSN, &TQZProgrammer::ChkBoxStrSNClick);
  click(BitBtnFixSN, &TQZProgrammer::BitBtnFixSNClick);
  connect(SpinEditNumb, &QSpinBox::valueChanged, this, &TQZProgrammer::SpinEditNumbChange);
  toggle(CheckBoxAut, &TQZProgrammer::CheckBoxAutClick);
  radio(RadioGrpSumDP, &TQZProgrammer::RadioGrpSumDPClick);
  radio(RadioGroupX, &TQZProgrammer::RadioGroupXClick);

  // Port group: the list's change event is the operator's choice or typing.
  connect(ComboBoxCOM, &QComboBox::activated, this, &TQZProgrammer::ComboBoxCOMChange);
  connect(ComboBoxCOM->lineEdit(), &QLineEdit::textEdited, this,
          &TQZProgrammer::ComboBoxCOMChange);
  click(BitBtnFresh, &TQZProgrammer::BitBtnFreshClick);
  click(BitBtnFindCOM, &TQZProgrammer::BitBtnFindCOMClick);

  // Main menu.
  trigger(Execute1, &TQZProgrammer::FileOpenBtnClick);
  trigger(SaveFile1, &TQZProgrammer::FileSaveBtnClick);
  trigger(N5, &TQZProgrammer::N5Click);
  trigger(SaveInfotoFile2, &TQZProgrammer::SaveInfotoFile1Click);
  trigger(ViewDataBuffer1, &TQZProgrammer::ViewDataBuffer1Click);
  trigger(Exit1, &TQZProgrammer::SpdBtnExitClick);
  trigger(Download1, &TQZProgrammer::SpdBtnDownLoadClick);
  trigger(ReadFlash1, &TQZProgrammer::SpeedButtonRDClick);
  trigger(BlankCheck1, &TQZProgrammer::BlankCheck1Click);
  trigger(EraseChip1, &TQZProgrammer::SpdBtnEraseClick);
  trigger(Programming1, &TQZProgrammer::SpdBtnProgClick);
  trigger(VeriufyDownload1, &TQZProgrammer::SpdBtnVerifyClick);
  trigger(AutoProgram1, &TQZProgrammer::SpdBtnAutoPClick);
  trigger(AddressWrite1, &TQZProgrammer::AddressWrite1Click);
  trigger(ReadChipIDandStatus1, &TQZProgrammer::ReadChipIDandStatus1Click);
  trigger(DoFirmwareUpgrade1, &TQZProgrammer::DoFirmwareUpgrade1Click);
  trigger(DoOffLineMonitor1, &TQZProgrammer::DoOffLineMonitor1Click);
  trigger(LoadFromTesmelProject, &TQZProgrammer::LoadFromTesmelProjectClick);
  trigger(SaveToTesmelProject, &TQZProgrammer::SaveToTesmelProjectClick);
  trigger(About1, &TQZProgrammer::About1Click);

  // Popup menus.
  trigger(ClearInformation1, &TQZProgrammer::ClearInformation1Click);
  trigger(CopyInformation1, &TQZProgrammer::CopyInformation1Click);
  trigger(SaveInfotoFile1, &TQZProgrammer::SaveInfotoFile1Click);
  trigger(SavetoFile1, &TQZProgrammer::SavetoFile1Click);

  // Timers.
  connect(Timer1, &QTimer::timeout, this, &TQZProgrammer::Timer1Timer);
  connect(Timer2, &QTimer::timeout, this, &TQZProgrammer::Timer2Timer);
}
