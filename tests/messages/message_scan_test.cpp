#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "MessageScan.h"
#include "messages/MessagePairs.h"
#include "messages/SameInBothBuilds.h"

namespace {

struct ScanCase {
  const char* what;
  const char* code;
  std::vector<std::pair<std::string, TextUse>> expected;
};

constexpr TextUse T = TextUse::Translated;
constexpr TextUse D = TextUse::Direct;

const ScanCase kScanCases[] = {
    {"sink with a plain literal", R"(AddInfoLine(js, "Plain text!");)", {{"Plain text!", D}}},
    {"literal split over lines", "LogSlotMessage(js, msg::Tr(\"Split \"\n    \"over lines\"), slot);",
     {{"Split over lines", T}}},
    {"escaped quotes", R"(ShowMessage(msg::Tr("File \"%s\" has been saved!"));)",
     {{"File \"%s\" has been saved!", T}}},
    {"escaped backslash before the closing quote", R"(AddRawLine(js, "a\\"); AddRawLine(js, "b c");)",
     {{"a\\", D}, {"b c", D}}},
    {"both sides of a choice", R"(msg::Tr(ok ? "Went well" : "Went badly"))",
     {{"Went well", T}, {"Went badly", T}}},
    {"a nested call keeps its own literals",
     R"(ShowMessage(msg::FmtV(msg::Tr("Inner %d"), 1) + "outer"))", {{"outer", D}, {"Inner %d", T}}},
    {"fragments of an assembled text", R"(ShowErrorMessage("Cannot x \"" + path + "\". ");)",
     {{"Cannot x \"", D}, {"\". ", D}}},
    {"comments hold no code", "// AddInfoLine(\"no\");\n/* ShowMessage(\"no\") */ x = 1;", {}},
    {"preprocessor lines hold no code", "#include \"ui/ShowMessage.h\"\n#define X \\\n  AddInfoLine(\"no\")\n", {}},
    {"a quote as a character", R"(AddInfoLine(std::string(1, '"') + "after quote"))", {{"after quote", D}}},
    {"digit separators", R"(AddInfoLine(msg::Fmt("%d", 1'000) + "big number"))",
     {{"big number", D}, {"%d", D}}},
    {"raw literal", "AddInfoLine(R\"(raw \"quoted\")\");", {{"raw \"quoted\"", D}}},
    {"thrown error", R"(throw std::runtime_error("Broken thing");)", {{"Broken thing", D}}},
    {"a fault of the program is no message", R"(throw std::logic_error("no such group");)", {}},
    {"marked text", R"(constexpr const char* k = msg::Text("Marked text");)", {{"Marked text", T}}},
    {"other calls are no message", R"(Foo("ignored"); Tr("not msg"); x.Fmt("member");)", {}},
};

TEST(MessageScan, FindsTheLiteralsOfMessageCalls) {
  for (const ScanCase& c : kScanCases) {
    std::vector<std::pair<std::string, TextUse>> got;
    for (const FoundText& f : FindMessageTexts(c.code)) got.emplace_back(f.text, f.use);
    EXPECT_EQ(got, c.expected) << c.what;
  }
}

TEST(MessageScan, TellsTheLineWhereALiteralStarts) {
  const auto found = FindMessageTexts("int a;\n/* one\n two */\nAddInfoLine(\n  \"here\"\n  \"and on\");");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].line, 5);
}

TEST(MessageScan, WordsAreLettersBesidesConversionsAndHexPrefixes) {
  const std::pair<const char*, bool> kCases[] = {
      {"", false},         {"%d", false},       {"0x%0.8x", false}, {"%0.2x,%0.2x, ", false},
      {"> ", false},       {"%d Byte", true},   {"OK=%d", true},    {"芯片", true},
      {"%s: %s!", false},  {"100%% x", true},
  };
  for (const auto& [text, words] : kCases) EXPECT_EQ(HasWords(text), words) << text;
}

// The program's own code: every folder whose texts reach the operator.
constexpr const char* kProgramFolders[] = {"app", "catalogue", "files", "protocol", "transport", "ui"};

struct ProgramText {
  FoundText found;
  std::string file;
};

std::vector<ProgramText> ProgramTexts() {
  namespace fs = std::filesystem;
  std::vector<ProgramText> texts;
  for (const char* folder : kProgramFolders) {
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(KORVAN_SOURCE_DIR) / folder)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::stringstream code;
      code << in.rdbuf();
      const std::string file = fs::relative(entry.path(), KORVAN_SOURCE_DIR).string();
      for (FoundText& f : FindMessageTexts(code.str())) {
        if (HasWords(f.text)) texts.push_back({std::move(f), file});
      }
    }
  }
  return texts;
}

bool SameInBoth(std::string_view text) {
  return std::find(std::begin(msg::kSameInBothBuilds), std::end(msg::kSameInBothBuilds), text) !=
         std::end(msg::kSameInBothBuilds);
}

bool Paired(std::string_view text) { return msg::ChineseFor(text) != text; }

TEST(MessageTexts, EveryTextTheProgramShowsIsPairedOrTheSameInBothBuilds) {
  const std::vector<ProgramText> texts = ProgramTexts();
  ASSERT_FALSE(texts.empty());
  for (const ProgramText& t : texts) {
    const std::string& text = t.found.text;
    const std::string where = t.file + ":" + std::to_string(t.found.line) + ": \"" + text + "\"";
    if (SameInBoth(text)) continue;
    if (t.found.use == TextUse::Direct)
      ADD_FAILURE() << where << (Paired(text) ? " has a pair but is shown without msg::Tr"
                                              : " is shown in English by the Chinese build");
    else if (!Paired(text))
      ADD_FAILURE() << where << " has no Chinese text in messages/MessagePairs.cpp";
  }
}

TEST(MessageTexts, SameInBothListHoldsOnlyUnpairedTextsTheProgramShows) {
  const std::vector<ProgramText> texts = ProgramTexts();
  for (std::string_view listed : msg::kSameInBothBuilds) {
    EXPECT_FALSE(Paired(listed)) << '"' << listed << "\" is paired and listed as the same in both builds";
    const bool shown = std::any_of(texts.begin(), texts.end(),
                                   [&](const ProgramText& t) { return t.found.text == listed; });
    EXPECT_TRUE(shown) << '"' << listed << "\" is listed but the program does not show it";
  }
}

}  // namespace
