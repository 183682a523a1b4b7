#include "ui/PortListView.h"

#include <QComboBox>

void ShowPortList(QComboBox* box, const PortList& list) {
  // Clearing the items must not change the text the box shows.
  QString shown = box->currentText();
  box->blockSignals(true);
  box->clear();
  for (const auto& entry : list.Entries) box->addItem(QString::fromStdString(entry));
  if (list.ShownText) shown = QString::fromStdString(*list.ShownText);
  if (box->isEditable()) {
    box->setEditText(shown);
  } else {
    box->setCurrentIndex(box->findText(shown));
  }
  box->blockSignals(false);
}

std::vector<std::string> PortEntries(const QComboBox* box) {
  std::vector<std::string> out;
  for (int i = 0; i < box->count(); ++i) out.push_back(box->itemText(i).toStdString());
  return out;
}
