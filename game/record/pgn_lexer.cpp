#include "game/record/pgn_lexer.h"

#include <algorithm>

#include "runtime/text_codec.h"

namespace record {

namespace {

bool IsBlank(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f';
}

bool IsDelimiter(char ch) {
  return ch == '{' || ch == '}' || ch == '(' || ch == ')' || ch == '[' || ch == ']' ||
         ch == ';' || ch == '$';
}

// Results as files write them: PGN's, and the Chinese words of Chinese sites and programs
// (先 names the side that moved first: 黑先胜 is a black win).
constexpr std::pair<std::string_view, std::string_view> kResultWords[] = {
    {"1-0", "1-0"},        {"0-1", "0-1"},         {"1/2-1/2", "1/2-1/2"}, {"*", "*"},
    {"½-½", "1/2-1/2"},    {"红胜", "1-0"},        {"红先胜", "1-0"},      {"红方胜", "1-0"},
    {"红赢", "1-0"},       {"黑负", "1-0"},        {"黑先负", "1-0"},      {"黑方负", "1-0"},
    {"紅勝", "1-0"},       {"紅先勝", "1-0"},      {"紅方勝", "1-0"},      {"黑負", "1-0"},
    {"黑先負", "1-0"},     {"黑胜", "0-1"},        {"红先负", "0-1"},      {"黑方胜", "0-1"},
    {"黑赢", "0-1"},       {"红负", "0-1"},        {"红方负", "0-1"},      {"黑先胜", "0-1"},
    {"黑勝", "0-1"},       {"紅先負", "0-1"},      {"黑方勝", "0-1"},      {"紅負", "0-1"},
    {"黑先勝", "0-1"},     {"和棋", "1/2-1/2"},    {"和局", "1/2-1/2"},    {"红先和", "1/2-1/2"},
    {"黑先和", "1/2-1/2"}, {"紅先和", "1/2-1/2"},  {"和", "1/2-1/2"},      {"平局", "1/2-1/2"},
    {"双方和棋", "1/2-1/2"}, {"未知", "*"},
};

TextForms MakeForms(Encoding encoding) {
  auto in = [encoding](std::string_view utf8) {
    return encoding == Encoding::kUtf8 ? std::string(utf8) : runtime::Gb(utf8);
  };
  TextForms forms{encoding, {}, in("．"), in("…"), in("、"), in("\u3000"), {}};
  static constexpr std::string_view kDigits[10] = {"０", "１", "２", "３", "４",
                                                   "５", "６", "７", "８", "９"};
  for (int d = 0; d < 10; ++d) forms.digits[d] = in(kDigits[d]);
  for (const auto& [word, result] : kResultWords)
    forms.results.emplace_back(in(word), std::string(result));
  return forms;
}

}  // namespace

const TextForms& TextForms::Of(Encoding encoding) {
  static const TextForms kUtf8 = MakeForms(Encoding::kUtf8);
  static const TextForms kGb = MakeForms(Encoding::kGb18030);
  return encoding == Encoding::kUtf8 ? kUtf8 : kGb;
}

PgnLexer::PgnLexer(std::string_view text, Encoding encoding, size_t pos, int line, size_t end)
    : text_(text.substr(0, std::min(end, text.size()))),
      forms_(TextForms::Of(encoding)),
      pos_(pos),
      line_(line) {}

size_t PgnLexer::SpaceLength(size_t at) const {
  if (IsBlank(text_[at])) return 1;
  std::string_view rest = text_.substr(at);
  if (rest.starts_with(forms_.space)) return forms_.space.size();
  if (forms_.encoding == Encoding::kUtf8 && rest.starts_with("\xC2\xA0")) return 2;  // U+00A0
  return 0;
}

void PgnLexer::Advance(size_t to) {
  line_ += int(std::count(text_.begin() + std::ptrdiff_t(pos_),
                          text_.begin() + std::ptrdiff_t(to), '\n'));
  pos_ = to;
}

size_t PgnLexer::LineEnd(size_t at) const {
  size_t end = text_.find('\n', at);
  return end == std::string_view::npos ? text_.size() : end;
}

void PgnLexer::SkipSpace() {
  while (pos_ < text_.size()) {
    if (size_t n = SpaceLength(pos_)) {
      line_ += text_[pos_] == '\n';
      pos_ += n;
    } else if (text_[pos_] == '%' && (pos_ == 0 || text_[pos_ - 1] == '\n')) {
      pos_ = LineEnd(pos_);  // an escape line, for other programs' private use
    } else if (text_[pos_] == '}' || text_[pos_] == ']') {
      ++pos_;  // a stray closing sign has nothing to keep
    } else {
      return;
    }
  }
}

PgnToken PgnLexer::Next() {
  SkipSpace();
  PgnToken token;
  token.line = line_;
  token.begin = pos_;
  if (pos_ >= text_.size()) {
    token.end = pos_;
    return token;
  }
  switch (text_[pos_]) {
    case '[':
      Tag(token);
      break;
    case '{':
      Comment(token);
      break;
    case ';': {
      size_t end = LineEnd(pos_);
      token.type = PgnToken::kComment;
      token.text = text_.substr(pos_ + 1, end - pos_ - 1);
      pos_ = end;
      break;
    }
    case '(':
    case ')':
      token.type = text_[pos_++] == '(' ? PgnToken::kOpen : PgnToken::kClose;
      break;
    case '$': {
      size_t digits = ++pos_;
      while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
      token.type = PgnToken::kNag;
      token.text = text_.substr(digits, pos_ - digits);
      break;
    }
    default: {
      size_t start = pos_;
      while (pos_ < text_.size() && SpaceLength(pos_) == 0 && !IsDelimiter(text_[pos_]))
        pos_ += CharLength(text_, pos_, forms_.encoding);
      pos_ = std::min(pos_, text_.size());
      token.type = PgnToken::kSymbol;
      token.text = text_.substr(start, pos_ - start);
      break;
    }
  }
  token.end = pos_;
  return token;
}

bool IsTagLine(std::string_view line, Encoding encoding) {
  line = line.substr(0, line.find('\n'));
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string_view::npos || line[i] != '[') return false;
  size_t name = ++i;
  while (i < line.size() && !IsBlank(line[i]) && line[i] != '"' && line[i] != ']' &&
         line[i] != '[')
    i += CharLength(line, i, encoding);
  if (i == name || i >= line.size()) return false;
  i = line.find_first_not_of(" \t", i);
  if (i == std::string_view::npos || line[i] != '"') return false;
  size_t close = line.find_last_of('"');
  if (close == i) return false;
  i = line.find_first_not_of(" \t\r", close + 1);
  return i != std::string_view::npos && line[i] == ']';
}

std::string WithoutTagLines(std::string_view comment) {
  std::string out(comment);
  for (size_t at = out.find('\n'); at != std::string::npos; at = out.find('\n', at + 1))
    if (IsTagLine(std::string_view(out).substr(at + 1), Encoding::kUtf8))
      out.replace(out.find('[', at), 1, "［");
  return out;
}

void PgnLexer::Tag(PgnToken& token) {
  token.type = PgnToken::kTag;
  size_t end = LineEnd(pos_);
  auto skip_blanks = [&](size_t i) {
    while (i < end && (text_[i] == ' ' || text_[i] == '\t')) ++i;
    return i;
  };
  size_t i = skip_blanks(pos_ + 1);
  size_t name = i;
  while (i < end && !IsBlank(text_[i]) && text_[i] != '"' && text_[i] != ']' && text_[i] != '[')
    i += CharLength(text_, i, forms_.encoding);
  i = std::min(i, end);
  token.text = text_.substr(name, i - name);
  auto broken = [&](PgnToken::Broken why) {
    token.broken = why;
    pos_ = end;
  };
  if (token.text.empty()) return broken(PgnToken::kNoTagName);
  i = skip_blanks(i);
  if (i < end && text_[i] == '"') {
    token.quoted = true;
    size_t value = ++i;
    while (i < end && text_[i] != '"') i += text_[i] == '\\' ? 2 : CharLength(text_, i, forms_.encoding);
    i = std::min(i, end);
    token.value = text_.substr(value, i - value);
    if (i >= end) {
      if (token.value.ends_with('\r')) token.value.remove_suffix(1);
      return broken(PgnToken::kNoClosingQuote);
    }
    i = skip_blanks(i + 1);
  } else {
    // An unquoted value, as some programs write: up to the bracket.
    size_t value = i;
    while (i < end && text_[i] != ']') i += CharLength(text_, i, forms_.encoding);
    i = std::min(i, end);
    token.value = text_.substr(value, i - value);
    while (!token.value.empty() && IsBlank(token.value.back())) token.value.remove_suffix(1);
  }
  if (i >= end || text_[i] != ']') return broken(PgnToken::kNoClosingBracket);
  pos_ = i + 1;
}

void PgnLexer::Comment(PgnToken& token) {
  token.type = PgnToken::kComment;
  size_t i = pos_ + 1;
  while (i < text_.size() && text_[i] != '}') {
    // A comment left open ends before the next tag line, so that it never takes in the games
    // after it.
    if (text_[i] == '\n' && IsTagLine(text_.substr(i + 1), forms_.encoding)) break;
    i += CharLength(text_, i, forms_.encoding);
  }
  i = std::min(i, text_.size());
  token.text = text_.substr(pos_ + 1, i - pos_ - 1);
  if (i >= text_.size() || text_[i] != '}') {
    token.broken = PgnToken::kNoClosingBrace;
    Advance(i);
    return;
  }
  Advance(i + 1);
}

// ---------------------------------------------------------------- symbols

namespace {

// The length of a move number's digit at `at` (ASCII or full width), and its value.
size_t DigitAt(std::string_view text, size_t at, const TextForms& forms, int* value) {
  if (text[at] >= '0' && text[at] <= '9') {
    *value = text[at] - '0';
    return 1;
  }
  for (int d = 0; d < 10; ++d)
    if (text.substr(at).starts_with(forms.digits[d])) {
      *value = d;
      return forms.digits[d].size();
    }
  return 0;
}

std::string_view StripMarks(std::string_view move, std::string_view* mark) {
  size_t keep = move.size();
  while (keep > 0 && (move[keep - 1] == '!' || move[keep - 1] == '?')) --keep;
  *mark = move.substr(keep);
  return move.substr(0, keep);
}

}  // namespace

PgnSymbol ClassifySymbol(std::string_view text, const TextForms& forms) {
  PgnSymbol symbol;
  for (const auto& [word, result] : forms.results)
    if (text == word) {
      symbol.kind = PgnSymbol::kResult;
      symbol.result = result;
      return symbol;
    }
  // "12." "12..." "12…" "12、" "１２．" and a bare "12" number moves; what follows them (1.e4)
  // is the move. "33.4" is WXF's middle soldier, not move 33.
  size_t i = 0;
  int number = 0, digit = 0;
  while (size_t n = i < text.size() ? DigitAt(text, i, forms, &digit) : 0) {
    number = std::min(number * 10 + digit, 1000000);
    i += n;
  }
  size_t digits_end = i;
  int dots = 0;
  bool ellipsis = false;
  for (;;) {
    std::string_view rest = text.substr(i);
    if (rest.starts_with(".")) {
      ++dots, ++i;
    } else if (rest.starts_with(forms.ellipsis)) {
      ellipsis = true, i += forms.ellipsis.size();
    } else if (rest.starts_with(forms.dot)) {
      ++dots, i += forms.dot.size();
    } else if (rest.starts_with(forms.comma)) {
      i += forms.comma.size();
    } else {
      break;
    }
  }
  std::string_view move = text;
  if (digits_end > 0 || i > 0) {
    int next = 0;
    bool digit_follows = i < text.size() && DigitAt(text, i, forms, &next) > 0;
    bool separated = i > digits_end || i == text.size();
    if (separated && !digit_follows) {
      move = text.substr(i);
      symbol.number = number;
      symbol.black = dots >= 2 || ellipsis;
      symbol.dotted = i > digits_end;
    }
  }
  symbol.move = StripMarks(move, &symbol.mark);
  if (symbol.move.empty())
    symbol.kind = symbol.mark.empty() ? PgnSymbol::kNumber : PgnSymbol::kMark;
  return symbol;
}

std::string TagValue(const PgnToken& tag) {
  if (!tag.quoted) return std::string(tag.value);
  std::string out;
  out.reserve(tag.value.size());
  for (size_t i = 0; i < tag.value.size(); ++i) {
    if (tag.value[i] == '\\' && i + 1 < tag.value.size()) ++i;
    out += tag.value[i];
  }
  return out;
}

}  // namespace record
