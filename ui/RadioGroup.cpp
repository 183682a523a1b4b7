#include "ui/RadioGroup.h"

#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, int columns,
                         QWidget* parent)
    : QGroupBox(title, parent),
      buttons_(new QButtonGroup(this)),
      grid_(new QGridLayout(this)),
      columns_(columns < 1 ? 1 : columns) {
  grid_->setContentsMargins(4, 2, 4, 2);
  grid_->setHorizontalSpacing(4);
  grid_->setVerticalSpacing(0);
  for (const QString& item : items) AddItem(item);
  connect(buttons_, &QButtonGroup::idClicked, this, [this](int id) { SetItemIndex(id); });
}

QStringList TRadioGroup::Items() const {
  QStringList out;
  for (QAbstractButton* b : buttons_->buttons()) out << b->text();
  return out;
}

int TRadioGroup::ItemCount() const { return static_cast<int>(buttons_->buttons().size()); }

void TRadioGroup::ClearItems() {
  for (QAbstractButton* b : buttons_->buttons()) {
    buttons_->removeButton(b);
    delete b;
  }
  itemIndex_ = -1;
}

void TRadioGroup::AddItem(const QString& text) {
  auto* button = new QRadioButton(text, this);
  buttons_->addButton(button, ItemCount());
  Relayout();
}

int TRadioGroup::ItemIndex() const { return itemIndex_; }

void TRadioGroup::SetItemIndex(int index) {
  if (index < 0 || index >= ItemCount()) index = -1;
  // The buttons are exclusive; to show no choice, exclusivity is lifted briefly.
  QAbstractButton* target = index >= 0 ? buttons_->button(index) : nullptr;
  if (target) {
    target->setChecked(true);
  } else if (QAbstractButton* checked = buttons_->checkedButton()) {
    buttons_->setExclusive(false);
    checked->setChecked(false);
    buttons_->setExclusive(true);
  }
  if (index == itemIndex_) return;
  itemIndex_ = index;
  emit Click();
}

void TRadioGroup::Relayout() {
  // Items run down the first column, then the next, as many rows as needed.
  const auto list = buttons_->buttons();
  const int count = static_cast<int>(list.size());
  const int rows = (count + columns_ - 1) / columns_;
  for (int i = 0; i < count; ++i) {
    grid_->removeWidget(list[i]);
    grid_->addWidget(list[i], rows ? i % rows : 0, rows ? i / rows : 0);
  }
}
