#pragma once
// A file dialog's designed properties: default extension, the filter as
// "description|patterns|description|patterns..." and the chosen filter
// (counted from 1). The dialog itself is opened when it is used.
#include <QString>
#include <string>

struct TFileDialogSpec {
  std::string DefaultExt;
  std::string Filter;
  int FilterIndex = 1;

  // The filter in Qt's "description (p1 p2);;..." form.
  QString QtFilter() const;
  // The entry of QtFilter() at FilterIndex (the first when out of range).
  QString QtSelectedFilter() const;
};
