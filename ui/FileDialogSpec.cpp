#include "ui/FileDialogSpec.h"

#include <QStringList>

namespace {

QStringList QtEntries(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    // "*.*" stands for every file, also one without an extension.
    for (QString& pattern : patterns)
      if (pattern == "*.*") pattern = "*";
    entries << parts[i] + " (" + patterns.join(' ') + ")";
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
