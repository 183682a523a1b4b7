#pragma once
// The chip selection popup: a small modal form that pops up the catalogue's
// menu beside the main window's chip button. Choosing an entry writes its
// chip fields, shows its caption as the main window's chip name (which runs
// the chip change when the name is new) and closes the form.
#include <QDialog>
#include <functional>
#include <map>
#include <string_view>
#include <vector>

#include "catalogue/ChipCatalogue.h"

class QAction;
class QLabel;
class QMenu;
class TQZProgrammer;
struct JobState;

class TChipSeltForm : public QDialog {
  Q_OBJECT

 public:
  // `showChipName` shows the chosen chip's name; the main window's
  // ShowChipName unless the form serves without the window.
  TChipSeltForm(JobState& js, std::function<void(const QString&)> showChipName,
                QWidget* parent = nullptr);
  TChipSeltForm(JobState& js, TQZProgrammer& mainWindow, QWidget* parent = nullptr);

  void SetChipSelPopupPos(int x, int y);

  // Shows the form modally; true when the operator chose an entry.
  bool ShowModalForChoice();

  // The selection operation of one entry; while a slot runs it is refused
  // in a box and the chip stays as it was.
  void ChooseEntry(const ChipEntry& entry);

  QMenu* PopupMenuQZ() const { return menu_; }
  QAction* ActionFor(std::string_view caption) const;
  QMenu* SubmenuFor(MenuGroup group) const;
  QLabel* Label1() const { return label1_; }

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow
  void hideEvent(QHideEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;  // FormClick
  bool eventFilter(QObject* watched, QEvent* event) override;  // Label1Click

 private:
  void BuildMenu();
  void PopUpMenu();

  JobState& js_;
  std::function<void(const QString&)> showChipName_;
  QLabel* label1_;
  QMenu* menu_;
  std::map<MenuGroup, QMenu*> submenus_;
  std::vector<QAction*> actions_;  // one per entry, in table order
  int popupX_ = 0;
  int popupY_ = 0;
  const ChipEntry* chosen_ = nullptr;
};
