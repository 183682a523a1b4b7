#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

#include "SlotFixture.h"
#include "protocol/SlotOperations.h"

namespace {

struct CodeCase {
  int code;
  const char* text;
};
void PrintTo(const CodeCase& c, std::ostream* os) { *os << "code " << c.code; }

class ResultCodeTextTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(ResultCodeTextTest, GivesTheCodesText) {
  EXPECT_EQ(ResultCodeText(GetParam().code), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Named, ResultCodeTextTest,
    ::testing::Values(CodeCase{0x20, "Packet Data error"}, CodeCase{0x23, "Packet error!"},
                      CodeCase{0x25, "Unknow Command!"}, CodeCase{0x2C, "Flash Memory Error!"},
                      CodeCase{0x2D, "Write Flash Memory Error!"}, CodeCase{0x31, "Data verify error!"},
                      CodeCase{0x34, "Check sum error!"}, CodeCase{0x36, "Chip unmatched!"},
                      CodeCase{0x38, "Manufacturer unmatched!"}, CodeCase{0x40, "Command Time Out!"},
                      CodeCase{0x43, "Communication Waiting Time Out!"}, CodeCase{0x45, "Command error!"},
                      CodeCase{0x60, "Initialize interface error!"}));

// Any other code: its decimal value behind the text's own leading 0.
INSTANTIATE_TEST_SUITE_P(
    Others, ResultCodeTextTest,
    ::testing::Values(CodeCase{0x15, "Operation Failed,Error Code: 021"},
                      CodeCase{7, "Operation Failed,Error Code: 07"},
                      CodeCase{0x2A, "Operation Failed,Error Code: 042"},
                      CodeCase{0xFF, "Operation Failed,Error Code: 0255"}));

using ShowResultCodeTest = SlotFixture;

TEST_F(ShowResultCodeTest, ShowsTheBoxThenLogsTheTextForTheSlot) {
  std::vector<size_t> logSizeWhileOpen;
  view.whileBoxOpen = [&](const std::string&) { logSizeWhileOpen.push_back(view.log.size()); };

  ShowResultCode(*js, 0x31, 5);

  EXPECT_EQ(view.boxes, std::vector<std::string>{"Data verify error!"});
  EXPECT_EQ(view.errorBoxes, view.boxes);
  EXPECT_EQ(logSizeWhileOpen, std::vector<size_t>{0});
  EXPECT_EQ(view.LogTexts(), std::vector<std::string>{SlotText(5, "Data verify error!")});
  EXPECT_TRUE(js->SlotResultBoxes[5].empty());
}

TEST_F(ShowResultCodeTest, BoxWaitsUntilTheHandlerHasReturned) {
  view.deferPosts = true;
  ShowResultCode(*js, 0x15, 0);
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_TRUE(view.log.empty());

  view.RunPosted();
  EXPECT_EQ(view.boxes, std::vector<std::string>{"Operation Failed,Error Code: 021"});
  EXPECT_EQ(view.LogTexts(), std::vector<std::string>{SlotText(0, "Operation Failed,Error Code: 021")});
}

// While a box is open its own loop runs further events: a second code of the
// same slot must wait for the first box, another slot's box may open.
TEST_F(ShowResultCodeTest, NoSecondBoxOfTheSameSlotWhileItsBoxIsOpen) {
  view.deferPosts = true;
  std::vector<std::pair<std::string, std::vector<std::string>>> opened;  // box, log so far
  bool firstBox = true;
  view.whileBoxOpen = [&](const std::string& text) {
    opened.emplace_back(text, view.LogTexts());
    if (!firstBox) return;
    firstBox = false;
    ShowResultCode(*js, 0x40, 0);
    ShowResultCode(*js, 0x20, 1);
    view.RunPosted();
  };

  ShowResultCode(*js, 0x31, 0);
  view.RunPosted();

  ASSERT_EQ(opened.size(), 3u);
  EXPECT_EQ(opened[0].first, "Data verify error!");
  EXPECT_EQ(opened[1].first, "Packet Data error");  // slot 2, inside slot 1's box
  EXPECT_EQ(opened[2].first, "Command Time Out!");
  // Slot 1's second box opened only after its first was closed and logged.
  EXPECT_EQ(opened[2].second,
            (std::vector<std::string>{SlotText(1, "Packet Data error"), SlotText(0, "Data verify error!")}));
  EXPECT_EQ(view.LogTexts(),
            (std::vector<std::string>{SlotText(1, "Packet Data error"), SlotText(0, "Data verify error!"),
                                      SlotText(0, "Command Time Out!")}));
  EXPECT_TRUE(view.posted.empty());
}

TEST_F(ShowResultCodeTest, CodesOfOneHandlerShowInTheirOrder) {
  view.deferPosts = true;
  ShowResultCode(*js, 0x23, 3);
  ShowResultCode(*js, 0x45, 3);
  EXPECT_EQ(view.posted.size(), 1u);
  view.RunPosted();
  EXPECT_EQ(view.boxes, (std::vector<std::string>{"Packet error!", "Command error!"}));
  EXPECT_EQ(view.LogTexts(),
            (std::vector<std::string>{SlotText(3, "Packet error!"), SlotText(3, "Command error!")}));
}

TEST_F(ShowResultCodeTest, SlotIndexOutsideTheEightShowsNothing) {
  ShowResultCode(*js, 0x31, 8);
  ShowResultCode(*js, 0x31, -1);
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_TRUE(view.log.empty());
}

}  // namespace
