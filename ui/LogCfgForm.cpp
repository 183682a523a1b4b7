#include "ui/LogCfgForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "messages/Messages.h"

namespace {

// A group box of radio buttons, the first one chosen.
QGroupBox* RadioGroup(QWidget* parent, const char* name, const char* caption, const QStringList& items,
                      QButtonGroup*& buttons, int x, int y, int w, int h) {
  auto* box = new QGroupBox(QString::fromLatin1(caption), parent);
  box->setObjectName(name);
  box->setGeometry(x, y, w, h);
  auto* layout = new QVBoxLayout(box);
  buttons = new QButtonGroup(box);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], box);
    buttons->addButton(button, i);
    layout->addWidget(button);
  }
  buttons->button(0)->setChecked(true);
  return box;
}

}  // namespace

TLogCfgForm::TLogCfgForm(QWidget* parent) : QDialog(parent) {
  setObjectName("LogCfgForm");
  setWindowTitle("Config Log File.");
  resize(460, 330);
  MessageBoxHook = [this](const std::string& text) { ShowInfoBox(this, text); };
  OpenDialogLog = [this] {
    return QFileDialog::getOpenFileName(this, QString(), QString(), "All Log Files(*.Log,*.Txt) (*.log *.Txt)");
  };

  CheckBoxLog = new QCheckBox(QString::fromUtf8("生成Logog文件"), this);
  CheckBoxLog->setObjectName("CheckBoxLog");
  CheckBoxLog->setGeometry(16, 12, 200, 20);
  CheckBoxLog->setChecked(true);
  RadioGrpCreat = RadioGroup(this, "RadioGrpCreat", "RadioGrpCreat",
                             {QString::fromUtf8("系统自动生成Logo文件"), QString::fromUtf8("客户指定Log文件")},
                             creatButtons_, 16, 40, 428, 76);
  RadioGrpMod = RadioGroup(this, "RadioGrpMod", "RadioGroup1",
                           {QString::fromUtf8("生成新的文件"), QString::fromUtf8("覆盖原文件"),
                            QString::fromUtf8("追加到原文件尾部")},
                           modButtons_, 16, 124, 428, 100);
  RadioGrpMod->setEnabled(false);
  Label1 = new QLabel(QString::fromUtf8("指定Log文件名：       "), this);
  Label1->setGeometry(16, 236, 140, 20);
  EditLogName = new QLineEdit("QZ_2016xx.log", this);
  EditLogName->setObjectName("EditLogName");
  EditLogName->setGeometry(16, 258, 340, 24);
  EditLogName->setEnabled(false);
  SpeedButtonOP = new QToolButton(this);
  SpeedButtonOP->setObjectName("SpeedButtonOP");
  SpeedButtonOP->setText(QString::fromUtf8("浏览"));
  SpeedButtonOP->setGeometry(364, 256, 80, 28);
  SpeedButtonOP->setEnabled(false);
  OK = new QPushButton("OK", this);
  OK->setObjectName("OK");
  OK->setGeometry(354, 292, 90, 28);
  OK->setAutoDefault(false);  // a plain button: it gives the dialog no result

  connect(CheckBoxLog, &QCheckBox::clicked, this, [this] { CheckBoxLogClick(); });
  // A radio group's click follows a change of its item: clicking the item
  // already chosen changes nothing (the write mode stays).
  connect(creatButtons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) RadioGrpCreatClick();
  });
  connect(SpeedButtonOP, &QToolButton::clicked, this, [this] { SpeedButtonOPClick(); });
  connect(OK, &QPushButton::clicked, this, [this] { OKClick(); });
  // Every change of a control, by the operator or by a handler.
  connect(CheckBoxLog, &QCheckBox::toggled, this, [this] { SyncConfig(); });
  connect(creatButtons_, &QButtonGroup::idToggled, this, [this] { SyncConfig(); });
  connect(modButtons_, &QButtonGroup::idToggled, this, [this] { SyncConfig(); });
  connect(EditLogName, &QLineEdit::textChanged, this, [this] { SyncConfig(); });
}

void TLogCfgForm::BindConfig(LogConfig* config) {
  bound_ = config;
  SyncConfig();
}

LogConfig TLogCfgForm::Config() const {
  LogConfig c;
  c.LogEnabled = LogEnabled();
  c.AutoLogName = AutoLogName();
  c.LogWriteMode = LogWriteMode();
  c.LogFileName = GetLogFileName();
  return c;
}

void TLogCfgForm::SyncConfig() {
  if (!bound_) return;
  *bound_ = Config();
  if (ConfigChanged) ConfigChanged();
}

bool TLogCfgForm::LogEnabled() const { return CheckBoxLog->isChecked(); }
bool TLogCfgForm::AutoLogName() const { return CreatIndex() == 0; }
uint8_t TLogCfgForm::LogWriteMode() const { return static_cast<uint8_t>(ModIndex()); }
std::string TLogCfgForm::GetLogFileName() const { return EditLogName->text().toStdString(); }

int TLogCfgForm::CreatIndex() const { return creatButtons_->checkedId(); }
void TLogCfgForm::SetCreatIndex(int index) {
  if (auto* b = creatButtons_->button(index)) b->setChecked(true);
}
int TLogCfgForm::ModIndex() const { return modButtons_->checkedId(); }
void TLogCfgForm::SetModIndex(int index) {
  if (auto* b = modButtons_->button(index)) b->setChecked(true);
}

void TLogCfgForm::CheckBoxLogClick() {
  bool on = CheckBoxLog->isChecked();
  RadioGrpCreat->setEnabled(on);
  RadioGrpMod->setEnabled(on);
  SpeedButtonOP->setEnabled(on);
  EditLogName->setEnabled(on);
}

void TLogCfgForm::RadioGrpCreatClick() {
  bool operatorNames = CreatIndex() == 1;
  RadioGrpMod->setEnabled(operatorNames);
  SpeedButtonOP->setEnabled(operatorNames);
  SetModIndex(0);
  EditLogName->setEnabled(operatorNames);
  if (!operatorNames) EditLogName->clear();
}

void TLogCfgForm::SpeedButtonOPClick() {
  QString path = OpenDialogLog();
  if (!path.isEmpty()) EditLogName->setText(path);
}

void TLogCfgForm::OKClick() {
  if (CreatIndex() == 1 && EditLogName->text().isEmpty()) {
    MessageBoxHook(msg::Tr("Please Input Valid Log File Name!"));
    EditLogName->setFocus();
    return;
  }
  accept();
}
