#include "MessageScan.h"

#include <cctype>
#include <optional>
#include <regex>
#include <set>

namespace {

struct Token {
  enum Kind { Name, Literal, Punct } kind;
  std::string text;
  int line;
};

// Functions whose literal arguments are shown as they are.
const std::set<std::string, std::less<>> kDirectSinks = {
    "AddInfoLine",      "AddRawLine",   "LogSlotMessage", "AppendLogLine", "ShowMessage",
    "ShowErrorMessage", "SetInfoPanel", "SetStatusPanel", "MessageBoxHook", "ShowInfoBox",
};
// The same, called as msg::Name.
const std::set<std::string, std::less<>> kDirectMsg = {"Fmt", "FmtV"};
const std::set<std::string, std::less<>> kTranslatedMsg = {"Tr", "Text"};

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

class Lexer {
 public:
  explicit Lexer(std::string_view code) : code_(code) {}

  std::vector<Token> Run() {
    while (i_ < code_.size()) Step();
    return std::move(tokens_);
  }

 private:
  char At(size_t k) const { return k < code_.size() ? code_[k] : '\0'; }

  void Advance(size_t n = 1) {
    for (size_t k = 0; k < n && i_ < code_.size(); ++k, ++i_) {
      if (code_[i_] == '\n') {
        ++line_;
        lineStart_ = true;
      }
    }
  }

  void SkipPast(std::string_view end) {
    const size_t at = code_.find(end, i_);
    Advance(at == std::string_view::npos ? code_.size() - i_ : at + end.size() - i_);
  }

  // A preprocessor line ends at a line end that no backslash continues.
  void SkipDirective() {
    while (i_ < code_.size() && code_[i_] != '\n') Advance(code_[i_] == '\\' ? 2 : 1);
  }

  void Step() {
    const char c = code_[i_];
    if (c == '\n' || std::isspace(static_cast<unsigned char>(c))) return Advance();
    if (c == '#' && lineStart_) return SkipDirective();
    lineStart_ = false;
    if (c == '/' && At(i_ + 1) == '/') return SkipPast("\n");
    if (c == '/' && At(i_ + 1) == '*') return SkipPast("*/");
    if (c == '"') return Quoted('"');
    if (c == '\'') return Quoted('\'');
    if (IsNameStart(c)) return NameOrPrefixed();
    if (std::isdigit(static_cast<unsigned char>(c))) return Number();
    if (c == ':' && At(i_ + 1) == ':') {
      tokens_.push_back({Token::Punct, "::", line_});
      return Advance(2);
    }
    tokens_.push_back({Token::Punct, std::string(1, c), line_});
    Advance();
  }

  // Digits, digit separators, suffixes and exponents are one token.
  void Number() {
    while (IsNameChar(At(i_)) || At(i_) == '.' || At(i_) == '\'') Advance();
  }

  void NameOrPrefixed() {
    size_t end = i_;
    while (IsNameChar(At(end))) ++end;
    const std::string name(code_.substr(i_, end - i_));
    static const std::set<std::string, std::less<>> kPrefixes = {"u8", "u", "U", "L"};
    static const std::set<std::string, std::less<>> kRawPrefixes = {"R", "u8R", "uR", "UR", "LR"};
    if (At(end) == '"' && kRawPrefixes.count(name)) {
      Advance(end - i_);
      return Raw();
    }
    if ((At(end) == '"' || At(end) == '\'') && kPrefixes.count(name)) {
      Advance(end - i_);
      return Quoted(At(i_));
    }
    tokens_.push_back({Token::Name, name, line_});
    Advance(end - i_);
  }

  // R"delim(...)delim": taken byte for byte.
  void Raw() {
    const int line = line_;
    const size_t open = code_.find('(', i_);
    if (open == std::string_view::npos) return Advance(code_.size() - i_);
    std::string close = ")";
    close += code_.substr(i_ + 1, open - i_ - 1);
    close += '"';
    const size_t end = code_.find(close, open);
    const size_t stop = end == std::string_view::npos ? code_.size() : end;
    AddLiteral(std::string(code_.substr(open + 1, stop - open - 1)), line);
    Advance((end == std::string_view::npos ? code_.size() : end + close.size()) - i_);
  }

  // A string or character literal from its opening quote; a character
  // literal leaves no token.
  void Quoted(char quote) {
    const int line = line_;
    Advance();
    std::string value;
    while (i_ < code_.size() && code_[i_] != quote && code_[i_] != '\n') {
      if (code_[i_] == '\\') {
        value += Escape();
      } else {
        value += code_[i_];
        Advance();
      }
    }
    Advance();
    if (quote == '"') AddLiteral(value, line);
  }

  // The escape sequence at i_, decoded.
  std::string Escape() {
    const char e = At(i_ + 1);
    Advance(2);
    switch (e) {
      case 'n': return "\n";
      case 't': return "\t";
      case 'r': return "\r";
      case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': {
        int value = e - '0';
        for (int k = 0; k < 2 && At(i_) >= '0' && At(i_) <= '7'; ++k, Advance()) value = value * 8 + (At(i_) - '0');
        return std::string(1, static_cast<char>(value));
      }
      case 'x': {
        int value = 0;
        while (std::isxdigit(static_cast<unsigned char>(At(i_)))) {
          value = value * 16 + std::stoi(std::string(1, At(i_)), nullptr, 16);
          Advance();
        }
        return std::string(1, static_cast<char>(value));
      }
      default: return std::string(1, e);  // \" \' \\ \? and the rest stand for themselves
    }
  }

  // Adjacent literals are one literal.
  void AddLiteral(std::string value, int line) {
    if (!tokens_.empty() && tokens_.back().kind == Token::Literal) {
      tokens_.back().text += value;
      return;
    }
    tokens_.push_back({Token::Literal, std::move(value), line});
  }

  std::string_view code_;
  size_t i_ = 0;
  int line_ = 1;
  bool lineStart_ = true;
  std::vector<Token> tokens_;
};

bool IsPunct(const std::vector<Token>& t, size_t i, std::string_view p) {
  return i < t.size() && t[i].kind == Token::Punct && t[i].text == p;
}

bool CalledAsMsg(const std::vector<Token>& t, size_t i) {
  return i >= 2 && IsPunct(t, i - 1, "::") && t[i - 2].kind == Token::Name && t[i - 2].text == "msg";
}

// How the call whose name is token i uses its literals, if it is a message call.
std::optional<TextUse> CallUse(const std::vector<Token>& t, size_t i) {
  if (t[i].kind != Token::Name || !IsPunct(t, i + 1, "(")) return std::nullopt;
  const std::string& name = t[i].text;
  if (CalledAsMsg(t, i)) {
    if (kTranslatedMsg.count(name)) return TextUse::Translated;
    if (kDirectMsg.count(name)) return TextUse::Direct;
  }
  if (kDirectSinks.count(name)) return TextUse::Direct;
  // throw std::runtime_error(...), throw ECommsError(...): the error's text
  // is shown in a box. A logic_error marks a fault of the program itself,
  // not something the operator can act on.
  if (name == "logic_error") return std::nullopt;
  size_t k = i;
  while (k > 0 && (t[k - 1].kind == Token::Name || IsPunct(t, k - 1, "::")) && t[k - 1].text != "throw") --k;
  if (k > 0 && t[k - 1].kind == Token::Name && t[k - 1].text == "throw") return TextUse::Direct;
  return std::nullopt;
}

}  // namespace

std::vector<FoundText> FindMessageTexts(std::string_view code) {
  const std::vector<Token> t = Lexer(code).Run();
  std::vector<FoundText> found;
  for (size_t i = 0; i < t.size(); ++i) {
    const std::optional<TextUse> use = CallUse(t, i);
    if (!use) continue;
    // The literals among the call's own arguments; those of nested calls
    // belong to those calls.
    int depth = 0;
    for (size_t k = i + 1; k < t.size(); ++k) {
      if (IsPunct(t, k, "(")) ++depth;
      if (IsPunct(t, k, ")") && --depth == 0) break;
      if (depth == 1 && t[k].kind == Token::Literal) found.push_back({t[k].text, t[k].line, *use});
    }
  }
  return found;
}

bool HasWords(std::string_view text) {
  static const std::regex kNoWords(R"(%[-+ #0-9.hlLqjzt]*[a-zA-Z%]|0x)");
  const std::string rest = std::regex_replace(std::string(text), kNoWords, "");
  for (unsigned char c : rest) {
    if (std::isalpha(c) || c >= 0x80) return true;
  }
  return false;
}
