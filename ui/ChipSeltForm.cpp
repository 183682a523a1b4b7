#include "ui/ChipSeltForm.h"

#include <QAction>
#include <QHideEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QShowEvent>
#include <utility>

#include "messages/Messages.h"
#include "protocol/JobState.h"
#include "protocol/OperationStart.h"
#include "ui/MainWindow.h"

namespace {

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

TChipSeltForm::TChipSeltForm(JobState& js, TQZProgrammer& mainWindow, QWidget* parent)
    : TChipSeltForm(
          js, [&mainWindow](const QString& name) { mainWindow.ShowChipName(name); }, parent) {}

TChipSeltForm::TChipSeltForm(JobState& js, std::function<void(const QString&)> showChipName,
                             QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      js_(js),
      showChipName_(std::move(showChipName)),
      label1_(new QLabel(QStringLiteral("点击选择芯片....."), this)),
      menu_(new QMenu(this)) {
  setObjectName("ChipSeltForm");
  setWindowTitle("Chip Selection");
  setFixedSize(144, 47);
  label1_->setObjectName("Label1");
  label1_->setGeometry(8, 8, 87, 13);
  label1_->installEventFilter(this);
  menu_->setObjectName("PopupMenuQZ");
  BuildMenu();
}

void TChipSeltForm::BuildMenu() {
  for (const Submenu& s : Submenus()) {
    QMenu* parent = s.parent == MenuGroup::TopLevel ? menu_ : submenus_.at(s.parent);
    QMenu* sub = parent->addMenu(Text(s.caption));
    if (!s.objectName.empty()) sub->setObjectName(Text(s.objectName));
    submenus_[s.group] = sub;
  }
  for (const ChipEntry& e : ChipEntries()) {
    QMenu* parent = e.group == MenuGroup::TopLevel ? menu_ : submenus_.at(e.group);
    if (e.separatorBefore) parent->addSeparator();
    QAction* action = parent->addAction(Text(e.caption));
    connect(action, &QAction::triggered, this, [this, &e] { ChooseEntry(e); });
    actions_.push_back(action);
  }
}

QAction* TChipSeltForm::ActionFor(std::string_view caption) const {
  const auto entries = ChipEntries();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].caption == caption) return actions_[i];
  }
  return nullptr;
}

QMenu* TChipSeltForm::SubmenuFor(MenuGroup group) const {
  auto it = submenus_.find(group);
  return it == submenus_.end() ? nullptr : it->second;
}

void TChipSeltForm::SetChipSelPopupPos(int x, int y) {
  popupX_ = x;
  popupY_ = y;
}

bool TChipSeltForm::ShowModalForChoice() {
  chosen_ = nullptr;
  exec();
  return chosen_ != nullptr;
}

void TChipSeltForm::ChooseEntry(const ChipEntry& entry) {
  if (RefuseImageOrChipChange(js_)) {
    menu_->hide();
    done(QDialog::Rejected);
    return;
  }
  ApplyChipEntry(js_, entry);
  chosen_ = &entry;
  // The chip change runs only when the name differs from the one shown.
  if (showChipName_) showChipName_(Text(entry.caption));
  menu_->hide();
  done(QDialog::Rejected);
}

void TChipSeltForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window restored by the system is not opened again: no new clearing,
  // no menu the operator did not ask for.
  if (event->spontaneous()) return;
  ClearChipFlagsOnOpen(js_);
  const auto entries = ChipEntries();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].shown == Shown::Never) actions_[i]->setVisible(false);
  }
  if (msg::IsEnglishBuild()) {
    label1_->setText("Click to Select!");
    for (const Submenu& s : Submenus()) {
      QMenu* sub = submenus_.at(s.group);
      sub->menuAction()->setVisible(s.shownInEnglish);
      sub->setTitle(Text(s.englishCaption));
    }
  }
  PopUpMenu();
}

void TChipSeltForm::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  // The menu is a window of its own and would outlive the form; a choice
  // made from it then would come after the modal showing has returned.
  menu_->hide();
}

void TChipSeltForm::PopUpMenu() {
  move(popupX_ + 5, popupY_ + 10);
  menu_->popup(QPoint(popupX_, popupY_));
}

void TChipSeltForm::mousePressEvent(QMouseEvent* event) {
  QDialog::mousePressEvent(event);
  PopUpMenu();
}

bool TChipSeltForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == label1_ && event->type() == QEvent::MouseButtonPress) {
    PopUpMenu();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
