#include "ui/FileDialogSpec.h"

#include <QStringList>

namespace {

QStringList QtEntries(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    entries << parts[i] + " (" + patterns + ")";
  }
  return entries;
}

}  // namespace

QString TFileDialogSpec::QtFilter() const { return QtEntries(Filter).join(";;"); }

QString TFileDialogSpec::QtSelectedFilter() const {
  const QStringList entries = QtEntries(Filter);
  if (entries.isEmpty()) return {};
  const int i = FilterIndex - 1;
  return i >= 0 && i < entries.size() ? entries[i] : entries.front();
}
