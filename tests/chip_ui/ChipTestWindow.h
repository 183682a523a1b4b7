#pragma once
// A window holding, under their object names, the controls that the chip
// button, the popup and the option panels work on, with a stand-in for the
// main window's chip change (name, size in KB, then the class's panel).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QWidget>
#include <memory>

#include "protocol/JobState.h"
#include "ui/ChipOptionPanels.h"
#include "ui/ChipSeltForm.h"

inline QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "ui_chip_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing it down among the static destructors crashes.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

struct ChipTestWindow {
  QApplication& app = TestApp();  // before any widget
  std::unique_ptr<JobState> js = std::make_unique<JobState>();
  QWidget window;
  int chipChanges = 0;
  std::unique_ptr<TChipSeltForm> form;
  OptionPanelControls controls;

  template <typename T>
  T* Add(const char* name, QWidget* parent, const QString& text = {}) {
    T* w = new T(parent);
    w->setObjectName(name);
    if constexpr (std::is_base_of_v<QAbstractButton, T> || std::is_base_of_v<QLabel, T>) {
      w->setText(text);
    }
    return w;
  }

  QGroupBox* RadioGroup(const char* name, QWidget* parent, QStringList items) {
    auto* g = Add<QGroupBox>(name, parent);
    for (const QString& item : items) new QRadioButton(item, g);
    return g;
  }

  ChipTestWindow() {
    window.setObjectName("QZProgrammer");
    window.resize(910, 681);
    auto* panel1 = Add<QWidget>("Panel1", &window);
    panel1->setFocusPolicy(Qt::StrongFocus);
    auto* group2 = Add<QGroupBox>("GroupBox2", &window);
    group2->setGeometry(0, 0, 400, 60);
    auto* name = Add<QLineEdit>("MCUNameEdit", group2);
    name->setReadOnly(true);
    Add<QToolButton>("DevButton", group2)->setGeometry(275, 15, 30, 24);

    auto* pages = Add<QTabWidget>("PageControl1", &window);
    auto* tabChipSet = Add<QWidget>("TabChipSet", pages);
    pages->addTab(Add<QWidget>("TabProCtrl", pages), "Chip Setting");
    pages->addTab(tabChipSet, "Control Setting");
    auto* views = Add<QTabWidget>("ViewPageCtrl", &window);
    views->addTab(Add<QWidget>("TabSheetChip", views), "Chip Set");
    views->addTab(Add<QWidget>("TabSheetFlash", views), "Data View");

    Add<QLabel>("LabelWP", tabChipSet, "Protected Setting:  0x00 ");
    auto* wp8 = Add<QComboBox>("ComBoxWP8", tabChipSet);
    for (int i = 0; i < 8; ++i) wp8->addItem(QString("item %1").arg(i));
    auto* wpf = Add<QComboBox>("ComBoxWPF", tabChipSet);
    for (int i = 0; i < 16; ++i) wpf->addItem(QString("item %1").arg(i));
    Add<QCheckBox>("ChkBoxSRWD", tabChipSet, "SRWD Disabled");
    Add<QCheckBox>("CheckBoxQE", tabChipSet, "Set QE=1");
    Add<QCheckBox>("CheckBoxWRP", tabChipSet, "Write Protection ");
    Add<QCheckBox>("ChkBoxNotBLK", &window, "Not Blank Error");
    RadioGroup("RadioGroupA61", tabChipSet, {"A16 At Bit1", "A16 At Bit2"});
    Add<QLineEdit>("EditDevAdrX", tabChipSet);
    RadioGroup("RadioGroupSpd", &window, {"CLK=100KHz", "CLK=200KHz", "CLK=400KHz", "CLK=1MHz"});
    Add<QToolButton>("SpdBtnErase", &window, "Erase");
    Add<QToolButton>("SpdBtnBlkChk", &window, "Blank");
    auto* ctrl = Add<QGroupBox>("GroupBoxCtrl", &window);
    for (const char* box : {"EnBlankChk", "EnEraseChk", "EnProgChk", "EnVerifyChk"}) {
      Add<QCheckBox>(box, ctrl, box);
    }

    controls = OptionPanelControls::FindIn(window);
    form = std::make_unique<TChipSeltForm>(*js, name, &window);
    QObject::connect(name, &QLineEdit::textChanged, [this](const QString& text) {
      ++chipChanges;
      js->SelChipName = text.toStdString();
      js->DataSizeKB = js->ChipSize < 1024 ? 0 : js->ChipSize >> 10;
      RunOptionPanel(*js, controls);
    });
  }

  // A choice from the popup, as the operator makes it.
  void Choose(std::string_view caption) {
    form->show();
    QAction* action = form->ActionFor(caption);
    if (action != nullptr) action->trigger();
    form->hide();
  }

  template <typename T>
  T* Find(const char* name) { return window.findChild<T*>(name); }
  bool Hidden(const char* name) { return Find<QWidget>(name)->isHidden(); }
};
