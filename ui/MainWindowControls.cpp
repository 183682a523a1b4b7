// The window definition: containers and controls with their designed
// captions, hints, positions and initial states (the Chinese build's
// captions; the English build replaces some of them at the first show).
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/HexGridModel.h"
#include "ui/MainWindow.h"
#include "ui/Widgets.h"

using namespace widgets;

namespace {

QFont BoldFont(int points) {
  QFont f;
  f.setPointSize(points);
  f.setBold(true);
  return f;
}

QGroupBox* GroupBox(QWidget* parent, const char* name, const QString& title, int x, int y, int w,
                    int h) {
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(name);
  box->setGeometry(x, y, w, h);
  return box;
}

TRadioGroup* RadioGroup(QWidget* parent, const char* name, const QString& title,
                        const QStringList& items, int columns, int index, int x, int y, int w,
                        int h) {
  auto* group = new TRadioGroup(title, items, columns, parent);
  group->setObjectName(name);
  group->setGeometry(x, y, w, h);
  group->SetItemIndex(index);
  return group;
}

QWidget* Page(QTabWidget* tabs, const char* name, const QString& caption) {
  auto* page = new QWidget;
  page->setObjectName(name);
  tabs->addTab(page, caption);
  return page;
}

// A string grid of 18 columns and 2 rows whose row 0 and column 0 are header
// cells; the data views fill it.
QTableView* StringGrid(QWidget* page, const char* name) {
  auto* grid = new QTableView(page);
  grid->setObjectName(name);
  grid->setModel(new THexGridModel(grid));
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->horizontalHeader()->setDefaultSectionSize(25);
  grid->verticalHeader()->setDefaultSectionSize(20);
  grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  SetTextColor(grid, QColor(0, 0, 128));  // navy
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(grid);
  return grid;
}

}  // namespace

void TQZProgrammer::BuildToolBar(QWidget* client) {
  Panel1 = new QFrame(client);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameShape(QFrame::NoFrame);
  Panel1->setGeometry(0, 0, 898, 49);
  Panel1->setFocusPolicy(Qt::ClickFocus);  // FormKeyPress moves the focus here

  struct Design {
    QToolButton** field;
    const char* name;
    const char* caption;
    const char* hint;
    QStyle::StandardPixmap glyph;
    int left, width;
  };
  const Design buttons[] = {
      {&SpdBtnExit, "SpdBtnExit", "退出", "Exit Application", QStyle::SP_DialogCloseButton, 3, 70},
      {&SpdBtnOpen, "SpdBtnOpen", "&加载", "Load Object File", QStyle::SP_DialogOpenButton, 76, 70},
      {&SpdBtnSave, "SpdBtnSave", "保存", "Save as Binary File", QStyle::SP_DialogSaveButton, 148, 70},
      {&SpdBtnDownLoad, "SpdBtnDownLoad", "下载", "下载目标程序到编程器的FLASH中", QStyle::SP_ArrowDown,
       220, 101},
      {&SpeedButtonRD, "SpeedButtonRD", "读取目标芯片", "从Flash芯片中读取数据", QStyle::SP_ArrowUp, 336,
       113},
      {&SpdBtnAutoP, "SpdBtnAutoP", "自动", "编程、校验并写入Option Bytes", QStyle::SP_MediaPlay, 456, 89},
      {&SpdBtnBlkChk, "SpdBtnBlkChk", "查空", "在线擦除目标MCU Flash", QStyle::SP_FileIcon, 551, 80},
      {&SpdBtnErase, "SpdBtnErase", "擦除", "在线擦除目标MCU Flash", QStyle::SP_DialogDiscardButton, 633,
       80},
      {&SpdBtnProg, "SpdBtnProg", "编程", "将目标代码写入到MCU的Flash中", QStyle::SP_ArrowRight, 716, 80},
      {&SpdBtnVerify, "SpdBtnVerify", "校验", "编程数据的校验", QStyle::SP_DialogApplyButton, 799, 80},
  };
  for (const Design& b : buttons)
    *b.field = SpeedButton(Panel1, b.name, b.caption, b.hint, b.glyph, b.left, 2, b.width, 32);
  SpdBtnBlkChk->setVisible(false);
  SpdBtnErase->setVisible(false);

  ViewPageCtrl = new QTabWidget(client);
  ViewPageCtrl->setObjectName("ViewPageCtrl");
  ViewPageCtrl->setGeometry(0, 49, 890, 560);

  // The path line sits in the tab row, right of the tabs.
  ProductEditX = Edit(client, "ProductEditX", "", 256, 40, 617, 19);
  ProductEditX->setReadOnly(true);
  ProductEditX->setFrame(false);
  ProductEditX->raise();
}

void TQZProgrammer::BuildChipPage() {
  TabSheetChip = Page(ViewPageCtrl, "TabSheetChip", " 芯片配置  ");
  ViewPageCtrl->tabBar()->setTabTextColor(0, Qt::blue);
  QWidget* page = TabSheetChip;

  InfoPanel = Label(page, "InfoPanel", "Device = ??????", 360, 4, 505, 25);
  InfoPanel->setFrameShape(QFrame::Box);
  InfoPanel->setAlignment(Qt::AlignCenter);
  InfoPanel->setFont(BoldFont(9));
  SetTextColor(InfoPanel, Qt::red);

  InfoMemo = new QPlainTextEdit(page);
  InfoMemo->setObjectName("InfoMemo");
  InfoMemo->setGeometry(360, 34, 505, 300);
  InfoMemo->setReadOnly(true);
  InfoMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Long lines wrap on screen only; the log keeps them as one line each.
  InfoMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  {
    QFont f("宋体");
    f.setPointSize(9);
    InfoMemo->setFont(f);
    QPalette p = InfoMemo->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    p.setColor(QPalette::Text, Qt::blue);
    InfoMemo->setPalette(p);
  }
  InfoMemo->setContextMenuPolicy(Qt::CustomContextMenu);

  static const char* const kGaugeNames[kSlotCount] = {"GaugeBar1", "GaugeBar2", "GaugeBar3",
                                                      "GaugeBar4", "GaugeBar5", "GaugeBar6",
                                                      "GaugeBar7", "GaugeBar8"};
  static const int kGaugeTops[kSlotCount] = {339, 361, 383, 405, 427, 449, 471, 494};
  for (int i = 0; i < kSlotCount; ++i) {
    auto* bar = new TGaugeBar(page);
    bar->setObjectName(kGaugeNames[i]);
    bar->setGeometry(360, kGaugeTops[i], 511, 18);
    bar->setTextVisible(true);
    GaugeBars[i] = bar;
    gauges_[i] = std::make_unique<TGauge>(bar);
  }
  GaugeBar1 = GaugeBars[0];
  GaugeBar2 = GaugeBars[1];
  GaugeBar3 = GaugeBars[2];
  GaugeBar4 = GaugeBars[3];
  GaugeBar5 = GaugeBars[4];
  GaugeBar6 = GaugeBars[5];
  GaugeBar7 = GaugeBars[6];
  GaugeBar8 = GaugeBars[7];

  BuildChipGroup(page);
  BuildPortGroup(page);
}

void TQZProgrammer::BuildChipGroup(QWidget* page) {
  GroupBox2 = GroupBox(page, "GroupBox2", "", 0, 0, 353, 433);
  QWidget* g = GroupBox2;

  Label5 = Label(g, "Label5", "芯片型号：", 8, 20, 80);
  // Its limit bounds typing only: the chip names the program sets are longer.
  MCUNameEdit = Edit(g, "MCUNameEdit", "请选择芯片的型号...", 90, 16, 176, 24, 16);
  MCUNameEdit->setReadOnly(true);
  MCUNameEdit->setFont(BoldFont(10));
  DevButton = new QToolButton(g);
  DevButton->setObjectName("DevButton");
  DevButton->setGeometry(275, 15, 30, 24);
  DevButton->setArrowType(Qt::DownArrow);

  Label8 = Label(g, "Label8", "Flash 容量：", 8, 50, 80);
  lbFlashSize = Label(g, "lbFlashSize", "xxxxKB", 90, 50, 100);
  ChkBoxCPES = CheckBox(g, "ChkBoxCPES", "按芯片大小处理", 200, 50, 145);
  ChkBoxCPES->setVisible(false);

  // The voltage group on the left; right of it the clock group (EEPROMs) or
  // the step boxes (flash chips) share one place, as only one of them shows.
  RadioGpVolt = RadioGroup(g, "RadioGpVolt", " 接口电平 ", {"3.3V", "5.0V", "1.8V"}, 2, 0, 4, 80,
                           124, 76);
  RadioGroupSpd = RadioGroup(g, "RadioGroupSpd", "时钟速率选择",
                             {"CLK=100KHz", "CLK=200KHz", "CLK=400KHz", "CLK=1MHz"}, 2, 3, 130, 80,
                             219, 76);
  RadioGroupSpd->setVisible(false);

  GroupBoxCtrl = GroupBox(g, "GroupBoxCtrl", "烧写控制", 160, 80, 189, 76);
  EnBlankChk = CheckBox(GroupBoxCtrl, "EnBlankChk", "查空", 8, 22, 84);
  EnEraseChk = CheckBox(GroupBoxCtrl, "EnEraseChk", "擦除", 96, 22, 84);
  EnProgChk = CheckBox(GroupBoxCtrl, "EnProgChk", "编程", 8, 46, 84);
  EnVerifyChk = CheckBox(GroupBoxCtrl, "EnVerifyChk", "校验", 96, 46, 84);
  EnProgChk->setChecked(true);
  EnVerifyChk->setChecked(true);
  GroupBoxCtrl->setVisible(false);

  PageControl1 = new QTabWidget(g);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setGeometry(4, 162, 345, 265);
  TabChipSet = Page(PageControl1, "TabChipSet", "芯片配置");
  TabProCtrl = Page(PageControl1, "TabProCtrl", "烧写器控制");
  TabSheetDP = Page(PageControl1, "TabSheetDP", "校验和显示设置");
  BuildChipOptionsPage(TabChipSet);
  BuildProgrammerPage(TabProCtrl);
  BuildChecksumPage(TabSheetDP);
}

void TQZProgrammer::BuildChipOptionsPage(QWidget* p) {
  LabelWP = Label(p, "LabelWP", "Protected Setting:  0x00 ", 8, 8, 200);
  ComBoxWP8 = Combo(p, "ComBoxWP8", 8, 28, 230);
  ComBoxWP8->addItems({"000: No Protection", "001: Protected Level 1", "010: Protected Level 2",
                       "011: Protected Level 3", "100: Protected Level 4", "101: Protected Level 5",
                       "110: Protected Level 6", "111: Protected All"});
  ComBoxWPF = Combo(p, "ComBoxWPF", 8, 28, 230);
  QStringList levels{"0000: No Protection"};
  for (int level = 1; level <= 14; ++level) {
    QString bits = QString::number(level, 2).rightJustified(4, '0');
    levels << bits + ": Protected Level " + QString::number(level);
  }
  levels << "1111: Protected ALL";
  ComBoxWPF->addItems(levels);
  ComBoxWP8->setCurrentIndex(0);
  ComBoxWPF->setCurrentIndex(0);
  ChkBoxSRWD = CheckBox(p, "ChkBoxSRWD", "SRWD Disabled", 8, 56, 150);
  CheckBoxQE = CheckBox(p, "CheckBoxQE", "Set QE=1", 170, 56, 150);
  CheckBoxWRP = CheckBox(p, "CheckBoxWRP", "Write Protection ", 8, 80, 180, 19);
  {
    QFont f = CheckBoxWRP->font();
    f.setPointSize(10);
    CheckBoxWRP->setFont(f);
    SetTextColor(CheckBoxWRP, Qt::blue);
  }
  LabelDevAdr = Label(p, "LabelDevAdr", "Device Address:  ", 8, 108, 110);
  EditDevAdrX = Edit(p, "EditDevAdrX", "0xA0", 120, 104, 60, 21, 4);
  RadioGroupA61 = RadioGroup(p, "RadioGroupA61", "A16 Set", {"A16 At Bit1", "A16 At Bit2"}, 1,
                             -1, 8, 128, 320, 46);
  ChkBoxNotBLK = CheckBox(p, "ChkBoxNotBLK", "启用非空报错（防叠料）", 8, 178, 250);
  SetTextColor(ChkBoxNotBLK, QColor(0, 128, 0));
  LabelRD = Label(p, "LabelRD", "Read Bytes: ", 8, 206, 80);
  EditRD = Edit(p, "EditRD", "", 90, 202, 120, 21);
  Button1 = Button(p, "Button1", "Button1", 250, 200, 75, 25);

  for (QWidget* hidden : std::initializer_list<QWidget*>{
           LabelWP, ComBoxWP8, ComBoxWPF, ChkBoxSRWD, CheckBoxQE, CheckBoxWRP, LabelDevAdr,
           EditDevAdrX, RadioGroupA61, ChkBoxNotBLK, Button1})
    hidden->setVisible(false);
}

void TQZProgrammer::BuildProgrammerPage(QWidget* p) {
  // Two columns: labelled edits and spin edits on the left, check boxes from
  // x 200 on, wide enough for the English captions.
  LabelSNC = Label(p, "LabelSNC", "序列号初值：", 8, 10, 92);
  SNEdit = Edit(p, "SNEdit", "0x00000000", 100, 6, 94, 21, 10);
  LabelSnGain = Label(p, "LabelSnGain", "序列号增量：", 8, 34, 92);
  GainEdit = Edit(p, "GainEdit", "0x01", 100, 30, 94, 21, 4);
  LabelSNAddr = Label(p, "LabelSNAddr", "序列号地址：", 8, 58, 92);
  AddrEdit = Edit(p, "AddrEdit", "0x0000FFF0", 100, 54, 94, 21, 10);
  for (QWidget* w : std::initializer_list<QWidget*>{SNEdit, GainEdit, AddrEdit})
    w->setEnabled(false);

  CheckBoxSN = CheckBox(p, "CheckBoxSN", "添加序列号功能", 200, 8, 137);
  CheckBoxSN->setToolTip("序列号只存储于Flash区域！");
  ChkBoxPCSN = CheckBox(p, "ChkBoxPCSN", "允许联机序列号", 200, 30, 137);
  SNOrderChk = CheckBox(p, "SNOrderChk", "大端存储模式", 200, 52, 137);
  ChkBoxStrSN = CheckBox(p, "ChkBoxStrSN", "使用字符序列号", 200, 74, 137);
  ChkBoxLSP = CheckBox(p, "ChkBoxLSP", "启用低速烧写", 200, 96, 137);
  SetTextColor(ChkBoxLSP, Qt::red);
  ChkBoxPCSN->setEnabled(false);
  SNOrderChk->setEnabled(false);
  ChkBoxStrSN->setEnabled(false);
  ChkBoxStrSN->setVisible(false);

  BitBtnFixSN = Button(p, "BitBtnFixSN", "设置固定序列号数据", 8, 80, 186, 25);
  ChkBoxNumb = CheckBox(p, "ChkBoxNumb", "限制烧写数量", 8, 114, 124);
  SpinEditNumb = SpinEdit(p, "SpinEditNumb", 0, 1000000, 0, 132, 111, 62);
  Label1 = Label(p, "Label1", "上电稳定时间(ms):  ", 8, 142, 126);
  SpinEditPTM = SpinEdit(p, "SpinEditPTM", 10, 2000, 100, 136, 138, 58);
  Label2 = Label(p, "Label2", "掉电时间(ms):     ", 8, 168, 126);
  SpinPowDown = SpinEdit(p, "SpinPowDown", 10, 2000, 100, 136, 164, 58);
  CheckBoxAut = CheckBox(p, "CheckBoxAut", "自动检测芯片", 200, 142, 137);
  LabelTimIn = Label(p, "LabelTimIn", "稳定时间(ms)： ", 8, 196, 95);
  SpinEditIn = SpinEdit(p, "SpinEditIn", 300, 1500, 500, 104, 192, 62);
  LabelTimOut = Label(p, "LabelTimOut", "拿开时间(ms)：  ", 172, 196, 92);
  SpinEditOut = SpinEdit(p, "SpinEditOut", 300, 2000, 500, 268, 192, 65);
}

void TQZProgrammer::BuildChecksumPage(QWidget* p) {
  RadioGrpSumDP = RadioGroup(p, "RadioGrpSumDP", "", {"显示芯片校验和", "显示文件校验和"}, 1, 0,
                             8, 8, 320, 60);
  RadioGroupX = RadioGroup(p, "RadioGroupX", "", {"Use ACC32", "Use CRC32"}, 2, 1, 8, 76, 320, 45);
}

void TQZProgrammer::BuildPortGroup(QWidget* page) {
  GroupBox4 = GroupBox(page, "GroupBox4", "", 0, 432, 353, 80);
  Label9 = Label(GroupBox4, "Label9", "选择设备：", 8, 22, 78);
  ComboBoxCOM = Combo(GroupBox4, "ComboBoxCOM", 88, 18, 249);
  ComboBoxCOM->setEditable(true);
  ComboBoxCOM->setInsertPolicy(QComboBox::NoInsert);
  ComboBoxCOM->setFont(BoldFont(QFont().pointSize()));
  ComboBoxCOM->setEditText("请选择通讯口......");
  BitBtnFresh = Button(GroupBox4, "BitBtnFresh", "刷新列表", 88, 46, 120, 26);
  BitBtnFindCOM = Button(GroupBox4, "BitBtnFindCOM", "查找设备", 217, 46, 120, 26);
}

void TQZProgrammer::BuildDataPages() {
  TabSheetFlash = Page(ViewPageCtrl, "TabSheetFlash", "  数据显示  ");
  HexViewer = StringGrid(TabSheetFlash, "HexViewer");
  TabSheetRdData = Page(ViewPageCtrl, "TabSheetRdData", "Read Data");
  RdDatView = StringGrid(TabSheetRdData, "RdDatView");
  RdDatView->setContextMenuPolicy(Qt::CustomContextMenu);
}
