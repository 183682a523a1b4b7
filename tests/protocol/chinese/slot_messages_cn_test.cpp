// Linked with the Chinese message set.
#include <gtest/gtest.h>

#include "protocol/SlotFixture.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotSearch.h"

namespace {

using ChineseBuild = SlotFixture;

TEST_F(ChineseBuild, ResultCodesUseTheChineseTexts) {
  EXPECT_EQ(ResultCodeText(0x31), "数据校验错误！");
  EXPECT_EQ(ResultCodeText(0x60), "接口错误或芯片未连接！");
  EXPECT_EQ(ResultCodeText(0x15), "操作失败！错误代码: 021");
  EXPECT_EQ(ResultCodeText(7), "操作失败！错误代码: 07");
}

TEST_F(ChineseBuild, BoxAndLogLineCarryTheSameChineseText) {
  ShowResultCode(*js, 0x23, 1);
  EXPECT_EQ(view.boxes, std::vector<std::string>{"数据包校验错误！"});
  EXPECT_EQ(view.LogTexts(), std::vector<std::string>{SlotText(1, "数据包校验错误！")});
}

TEST_F(ChineseBuild, EndOfOperationIsLoggedInChinese) {
  EndSlotOperation(*js, false, 0);
  EndSlotOperation(*js, true, 0);
  EXPECT_EQ(view.LogTexts(), (std::vector<std::string>{SlotText(0, "操作成功！"), SlotText(0, "操作失败！")}));
}

TEST_F(ChineseBuild, ALostLineAndARefusedSearchAreToldInChinese) {
  js->SlotConnected[2] = 1;
  js->SlotBusy[2] = 1;
  js->SlotOp[2] = kOpVerify;
  EXPECT_TRUE(RefuseSearchWhileRunning(*js));
  EXPECT_EQ(view.boxes, std::vector<std::string>{"编程器正在运行，请等待完成后再刷新或搜索通讯口！"});
  LoseSlotLine(*js, 2);
  EXPECT_EQ(view.LogTexts(),
            (std::vector<std::string>{SlotText(2, "与编程器的连接已断开！"), SlotText(2, "操作失败！")}));
}

// The sequence report lines have no Chinese counterpart.
TEST_F(ChineseBuild, SequenceReportLinesStayAsTheUnitsSteps) {
  auto& p = js->RxPacket[0];
  p[0] = 0xFD;
  p[1] = 0x20;
  for (int i = 2; i < 7; ++i) p[i] = 0;
  p[7] = static_cast<uint8_t>(-(0xFD + 0x20));
  RunProgrammingSequence(*js, p, 0);
  EXPECT_EQ(view.LogTexts(), std::vector<std::string>{SlotText(0, "Chip Blank Checking....")});
}

}  // namespace
