// Start-up and log file of the Chinese program.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <fstream>
#include <iterator>

#include "files/LogFile.h"
#include "messages/Messages.h"
#include "protocol/Log.h"
#include "UiTestSupport.h"

namespace fs = std::filesystem;

using ChineseStartupTest = ScratchFolderTest;

namespace {

std::string FileBytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST_F(ChineseStartupTest, LogBeginsWithTheMissingImageAndTheBoxIsChinese) {
  TQZProgrammer& w = Window();
  int nameChanges = 0;
  QObject::connect(w.MCUNameEdit, &QLineEdit::textChanged, [&] { ++nameChanges; });
  w.show();
  const std::vector<std::string> expected = {
      "File of \"VOzOZEdud.ZQM\" not Found!",
      "Hello KorvanQZ-Plus User! ----- " + ShortDateText(),
      "3.3V Interface is selected!",
  };
  EXPECT_EQ(LogTexts(), expected);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "文件\"VOzOZEdud.ZQM\"没有找到，请确认！");
  EXPECT_EQ(nameChanges, 0);  // no captions set, so no chip change
}

TEST_F(ChineseStartupTest, DesignedCaptionsStay) {
  // A settings file without its section leaves the port box's text alone.
  std::ofstream("ConfigKvn.ini") << "[Other]\r\n";
  TQZProgrammer& w = ShownWindow();
  EXPECT_FALSE(msg::IsEnglishBuild());
  EXPECT_EQ(w.SpdBtnExit->text().toStdString(), "退出");
  EXPECT_EQ(w.MCUNameEdit->text().toStdString(), "请选择芯片的型号...");
  EXPECT_EQ(w.StatusPanels[2]->text().toStdString(), "烧写OK总数: 0");
  EXPECT_EQ(w.ComboBoxCOM->currentText().toStdString(), "请选择通讯口......");
  EXPECT_EQ(w.PageControl1->tabText(w.PageControl1->indexOf(w.TabProCtrl)).toStdString(),
            "烧写器控制");
  // The pages stay hidden and chosen as the start-up left them.
  EXPECT_FALSE(w.ViewPageCtrl->isTabVisible(w.ViewPageCtrl->indexOf(w.TabSheetFlash)));
  EXPECT_EQ(w.PageControl1->currentWidget(), w.TabProCtrl);
}

TEST_F(ChineseStartupTest, ChineseMessagesReachTheLogFileAsGbBytes) {
  TQZProgrammer& w = ShownWindow();
  for (int i = 0; i < 5; ++i) w.AddInfoLine(msg::Tr("Operation Success!"));
  ASSERT_TRUE(w.close());
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir_ / "Log")) files.push_back(e.path());
  ASSERT_EQ(files.size(), 1u);
  std::ifstream in(files[0], std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  // "操作成功！" in GB2312, full-width mark included, then CR LF.
  EXPECT_NE(bytes.find(" \xB2\xD9\xD7\xF7\xB3\xC9\xB9\xA6\xA3\xA1\r\n"), std::string::npos);
  EXPECT_EQ(bytes.find("\xE6"), std::string::npos);  // no UTF-8 left
}

TEST_F(ChineseStartupTest, AJournalLeftBehindIsSavedWithTheBytesACloseWritesAndSaidInChinese) {
  // A run that logs Chinese lines keeps a journal...
  fs::path journal;
  std::string closeBytes;
  {
    TQZProgrammer& w = ShownWindow();
    for (int i = 0; i < 5; ++i) w.AddInfoLine(msg::Tr("Operation Success!"));
    for (const auto& e : fs::directory_iterator(dir_ / "Log")) journal = e.path();
    ASSERT_EQ(journal.extension(), ".jnl");
    // ...holding, within a second, what its close would have written.
    const fs::path reference = dir_ / "reference.log";
    ASSERT_TRUE(WriteLogLines(reference.string(), w.LogLines(), LogWriteMode::Replace));
    closeBytes = FileBytesOf(reference);
    for (int i = 0; i < 500 && FileBytesOf(journal) != closeBytes; ++i) QTest::qWait(2);
    ASSERT_EQ(FileBytesOf(journal), closeBytes);
  }
  // ...and one that ended without closing left those bytes behind.
  TearDown();
  SetUp();
  fs::create_directory(dir_ / "Log");
  std::ofstream(dir_ / "Log" / "Journal_1.jnl", std::ios::binary) << closeBytes;

  ShownWindow();
  std::vector<fs::path> logs;
  for (const auto& e : fs::directory_iterator(dir_ / "Log"))
    if (e.path().extension() == ".log") logs.push_back(e.path());
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(FileBytesOf(logs[0]), closeBytes);
  const std::string said = "上次运行的日志已保存到\"" + logs[0].string() + "\"。";
  const std::vector<std::string> texts = LogTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), said), texts.end());
}
