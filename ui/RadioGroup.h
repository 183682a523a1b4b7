#pragma once
// A group box of radio buttons with an item list and an item index, laid out
// in a number of columns. ItemIndex is -1 when no item is chosen. Click() is
// emitted whenever the chosen item changes, whether by the operator or by
// SetItemIndex, so that the group's click handler sees every change.
#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class QGridLayout;

class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent);

  QStringList Items() const;
  int ItemCount() const;
  void ClearItems();
  void AddItem(const QString& text);

  int ItemIndex() const;
  // An index outside 0..ItemCount()-1 chooses no item.
  void SetItemIndex(int index);

 signals:
  void Click();

 private:
  void Relayout();

  QButtonGroup* buttons_;
  QGridLayout* grid_;
  int columns_;
  int itemIndex_ = -1;
};
