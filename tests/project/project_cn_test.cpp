// The project and message-log commands of the Chinese program: the same
// texts where no pair exists, GB2312 bytes in the saved log.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <fstream>

#include "catalogue/ChipCatalogue.h"
#include "messages/Messages.h"
#include "ui/UiTestSupport.h"

namespace {

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ChineseProjectCommands : public ScratchFolderTest {
 protected:
  TQZProgrammer& Ready() {
    TQZProgrammer& w = ShownWindow();
    w.FileDialogHook = [this](const TFileDialogSpec&, bool) { return answer; };
    boxes.clear();
    return w;
  }
  std::string answer;
};

TEST_F(ChineseProjectCommands, SavedLogHoldsTheGbBytesOfFullWidthMarks) {
  TQZProgrammer& w = Ready();
  ASSERT_FALSE(msg::IsEnglishBuild());
  w.InfoMemo->clear();
  w.AppendLogLine(msg::Tr("Operation Success!"));
  answer = (dir_ / "info.log").string();
  w.SaveInfotoFile1Click();
  // "操作成功！" with the full-width mark as A3 A1.
  EXPECT_EQ(FileBytes(dir_ / "info.log"), "\xB2\xD9\xD7\xF7\xB3\xC9\xB9\xA6\xA3\xA1\r\n");
}

TEST_F(ChineseProjectCommands, UnpairedProjectTextsReadAsInTheEnglishProgram) {
  TQZProgrammer& w = Ready();
  const std::string path = (dir_ / "job.TKP").string();
  answer = path;
  w.SaveToTesmelProjectClick();
  EXPECT_EQ(boxes, std::vector<std::string>{"Tesmel Project file of " + path + " has been saved!"});

  std::ofstream(dir_ / "bad.TKP", std::ios::binary) << "XX and more";
  answer = (dir_ / "bad.TKP").string();
  w.LoadFromTesmelProjectClick();
  EXPECT_EQ(w.LogLines().back(), "> Invalid File format for Tesmel Project file!");
  // The menu and its designed captions are there in this program too.
  EXPECT_TRUE(w.Project1->menuAction()->isVisible());
  EXPECT_EQ(w.LoadFromTesmelProject->text().toStdString(), "打开Tesmel工程文件");
  EXPECT_EQ(w.SaveToTesmelProject->text().toStdString(), "保存为Tesmel工程文件");
}

TEST_F(ChineseProjectCommands, DamagedImageIsToldInChinese) {
  TQZProgrammer& w = Ready();
  ApplyChipEntry(Js(), *FindChipEntry("24xx02"));
  w.ShowChipName("24xx02");
  std::ofstream(dir_ / "image.bin", std::ios::binary) << std::string(256, '\x42');
  answer = (dir_ / "image.bin").string();
  w.FileOpenBtnClick();
  answer = (dir_ / "job.TKP").string();
  w.SaveToTesmelProjectClick();
  std::string file = FileBytes(dir_ / "job.TKP");
  // The last data byte lies before the 1024 bytes of trailing filler.
  file[file.size() - 1024 - 1] ^= 0x01;
  std::ofstream(dir_ / "job.TKP", std::ios::binary | std::ios::trunc) << file;
  boxes.clear();
  w.LoadFromTesmelProjectClick();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("工程文件中的数据与文件保存的校验和不一致：文件 ACC32 0x", 0), 0u) << boxes[0];
}

}  // namespace
