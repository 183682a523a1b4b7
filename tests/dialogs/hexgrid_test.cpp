#include <gtest/gtest.h>

#include <QTableView>
#include <vector>

#include "QtApp.h"
#include "ui/HexGridModel.h"

namespace {

TEST(HexGrid, RowsOfSixteenBytesWithAddressAndCharacters) {
  std::vector<uint8_t> buf(0x100);
  for (size_t i = 0; i < buf.size(); ++i) buf[i] = static_cast<uint8_t>(i);
  buf[0x10] = 0x41;
  buf[0x11] = 0x1F;
  buf[0x12] = 0x80;
  buf[0x13] = 0x7F;
  THexGridModel grid(buf.data(), buf.size());
  EXPECT_EQ(grid.rowCount(), 2);  // the designed header and one empty row
  EXPECT_EQ(grid.CellText(1, 0), "");

  grid.Fill(0, 0xFF);
  EXPECT_EQ(grid.rowCount(), 17);  // 256 bytes: 16 rows below the header
  EXPECT_EQ(grid.columnCount(), 18);
  EXPECT_EQ(grid.CellText(1, 0), "0x00000000");
  EXPECT_EQ(grid.CellText(16, 0), "0x000000F0");
  EXPECT_EQ(grid.CellText(2, 1), "41");
  EXPECT_EQ(grid.CellText(2, 2), "1F");
  EXPECT_EQ(grid.CellText(16, 16), "FF");
  QString chars = grid.CellText(2, 17);
  ASSERT_EQ(chars.size(), 16);
  EXPECT_EQ(chars[0], QChar('A'));
  EXPECT_EQ(chars[1], QChar('.'));   // 0x1F
  EXPECT_EQ(chars[2], QChar('.'));   // 0x80
  EXPECT_EQ(chars[3], QChar(0x7F));  // shown as itself
  EXPECT_EQ(grid.CellText(3, 17), " !\"#$%&'()*+,-./");
}

TEST(HexGrid, LastRowShowsItsWholeLine) {
  std::vector<uint8_t> buf(0x40, 0xAB);
  THexGridModel grid(buf.data(), buf.size());
  grid.Fill(0x10, 0x20);  // 17 bytes: two rows
  EXPECT_EQ(grid.rowCount(), 3);
  EXPECT_EQ(grid.CellText(2, 0), "0x00000020");
  EXPECT_EQ(grid.CellText(2, 16), "AB");  // byte 0x2F, past the range, inside the buffer

  grid.Fill(0x38, 0x3F);  // a line that runs past the buffer's end
  EXPECT_EQ(grid.CellText(1, 8), "AB");
  EXPECT_EQ(grid.CellText(1, 9), "");
  EXPECT_EQ(grid.CellText(1, 17).size(), 8);
}

TEST(HexGrid, HeaderAndWrittenCells) {
  std::vector<uint8_t> buf(0x40, 0);
  THexGridModel grid(buf.data(), buf.size());
  grid.setData(grid.index(0, 1), "  0");
  grid.Fill(0, 0x3F);
  grid.setData(grid.index(1, 3), "12");
  EXPECT_EQ(grid.CellText(0, 1), "  0");  // the header survives a fill
  EXPECT_EQ(grid.CellText(1, 3), "12");
  buf[5] = 0x66;
  EXPECT_EQ(grid.CellText(1, 6), "66");  // rows read the buffer when shown
  grid.Fill(0, 0x3F);
  EXPECT_EQ(grid.CellText(1, 3), "00");
}

TEST(HexGrid, WholeLargeImageInAView) {
  const uint32_t size = 128u << 20;
  std::vector<uint8_t> buf(size, 0x5A);
  EnsureQtApp();
  THexGridModel grid(buf.data(), size);
  QTableView view;
  view.setModel(&grid);
  grid.Fill(0, size - 1);
  EXPECT_EQ(grid.rowCount(), (1 << 23) + 1);
  view.resize(600, 400);
  view.show();
  view.scrollToBottom();
  EXPECT_EQ(grid.CellText(1 << 23, 0), "0x07FFFFF0");
}

}  // namespace
