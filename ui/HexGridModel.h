#pragma once
// The hex grid of the data page as a table model: row 0 holds the header
// cells, every further row sixteen bytes of DataBuffer, formatted only when
// the view asks for them, so a 128 MiB range opens at once.
//   column 0   "0x%0.8x" row address
//   1..16      "%0.2x" byte
//   17         the bytes as characters, "." outside 0x20..0x7F
#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <array>
#include <cstdint>

class QTableView;

class THexGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kColumns = 18;

  // buffer holds size bytes; bytes are read from it whenever a row is shown.
  THexGridModel(const uint8_t* buffer, uint32_t size, QObject* parent = nullptr);
  explicit THexGridModel(QObject* parent = nullptr) : THexGridModel(nullptr, 0, parent) {}

  void SetBuffer(const uint8_t* buffer, uint32_t size);

  // The grid for first..last (inclusive): one row per 16 bytes, the last row
  // complete even when the range ends inside it.
  void Fill(uint32_t first, uint32_t last);
  // Only the header row.
  void Clear();
  // Repaints the rows shown, after the buffer changed beneath them.
  void Refresh();

  uint32_t DataRows() const { return dataRows_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // The horizontal header repeats row 0, so a view can keep it in sight.
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  // Header cells keep what is written to them; a written data cell shows its
  // text until the next Fill.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  // The cell that shows the byte at `address`; invalid when no row shows it.
  QModelIndex IndexOfAddress(uint32_t address) const;

  // The text of one cell, as the grid shows it.
  QString CellText(int row, int column) const;

 private:
  const uint8_t* buffer_;
  uint32_t size_;
  uint32_t first_ = 0;
  uint32_t dataRows_ = 1;  // the designed grid has one empty row below the header
  bool filled_ = false;
  std::array<QString, kColumns> header_{};
  QHash<quint64, QString> written_;
};

// Keeps row 0 of view's grid fixed above the rows while they scroll (shown
// as the view's column header) and shows the first row. Run it after every
// fill: a fill resets the rows.
void FixHeaderRow(QTableView* view);
