#include "ui/HexGridModel.h"

#include <QHeaderView>
#include <QTableView>

#include "messages/Format.h"

namespace {

quint64 CellKey(int row, int column) { return (quint64(row) << 8) | quint64(column); }

QString ByteText(uint8_t b) {
  static const char kDigits[] = "0123456789ABCDEF";
  const QChar text[2] = {QChar(kDigits[b >> 4]), QChar(kDigits[b & 15])};
  return QString(text, 2);
}

}  // namespace

THexGridModel::THexGridModel(const uint8_t* buffer, uint32_t size, QObject* parent)
    : QAbstractTableModel(parent), buffer_(buffer), size_(size) {}

void THexGridModel::SetBuffer(const uint8_t* buffer, uint32_t size) {
  beginResetModel();
  buffer_ = buffer;
  size_ = size;
  endResetModel();
}

void THexGridModel::Fill(uint32_t first, uint32_t last) {
  beginResetModel();
  written_.clear();
  first_ = first;
  uint64_t length = last >= first ? uint64_t{last} - first + 1 : 0;
  dataRows_ = static_cast<uint32_t>((length + 15) / 16);
  filled_ = true;
  endResetModel();
}

void THexGridModel::Clear() {
  beginResetModel();
  written_.clear();
  dataRows_ = 0;
  filled_ = true;
  endResetModel();
}

void THexGridModel::Refresh() {
  if (rowCount() > 1) emit dataChanged(index(1, 0), index(rowCount() - 1, kColumns - 1));
}

int THexGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  // Rows past what a view can address are not shown; a 128 MiB range has
  // 8.4 million rows, well inside.
  return static_cast<int>(std::min<uint64_t>(uint64_t{dataRows_} + 1, INT32_MAX));
}

int THexGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QModelIndex THexGridModel::IndexOfAddress(uint32_t address) const {
  if (!filled_ || address < first_) return {};
  const uint64_t row = (uint64_t{address} - first_) / 16 + 1;
  if (row >= static_cast<uint64_t>(rowCount())) return {};
  return index(static_cast<int>(row), static_cast<int>((address - first_) % 16) + 1);
}

QString THexGridModel::CellText(int row, int column) const {
  if (row < 0 || column < 0 || column >= kColumns) return {};
  if (row == 0) return header_[column];
  auto it = written_.constFind(CellKey(row, column));
  if (it != written_.constEnd()) return *it;
  if (!filled_) return {};
  uint64_t lineStart = first_ + uint64_t{16} * (row - 1);
  if (column == 0) return QString::fromStdString(msg::Fmt("0x%0.8x", static_cast<uint32_t>(lineStart)));
  if (column <= 16) {
    uint64_t at = lineStart + column - 1;
    return at < size_ ? ByteText(buffer_[at]) : QString();
  }
  QString chars;
  chars.reserve(16);
  for (uint64_t at = lineStart; at < lineStart + 16 && at < size_; ++at) {
    uint8_t b = buffer_[at];
    chars += (b >= 0x20 && b <= 0x7F) ? QChar(b) : QChar('.');
  }
  return chars;
}

QVariant THexGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  return CellText(index.row(), index.column());
}

QVariant THexGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
  if (role == Qt::DisplayRole) return header_[section];
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
  return {};
}

bool THexGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  if (index.row() == 0) {
    header_[index.column()] = value.toString();
    emit headerDataChanged(Qt::Horizontal, index.column(), index.column());
  } else {
    written_.insert(CellKey(index.row(), index.column()), value.toString());
  }
  emit dataChanged(index, index);
  return true;
}

void FixHeaderRow(QTableView* view) {
  QHeaderView* header = view->horizontalHeader();
  header->setHighlightSections(false);
  header->setSectionsClickable(false);
  header->setFixedHeight(view->verticalHeader()->defaultSectionSize());
  header->show();
  view->setRowHidden(0, true);
  view->scrollToTop();
}
