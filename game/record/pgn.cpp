#include "game/record/pgn.h"

#include <cstdint>

#include "engine/text_fields.h"
#include "runtime/text_codec.h"

namespace record {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

constexpr size_t kMaxTags = 1000;

bool Fail(PgnError* error, int line, std::string reason) {
  if (error) *error = PgnError{line, std::move(reason)};
  return false;
}

// ---------------------------------------------------------------- the text

// Where the first byte that breaks UTF-8 is, or npos.
size_t Utf8BreakAt(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    uint8_t lead = uint8_t(s[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t extra = (lead & 0xE0) == 0xC0   ? 1
                   : (lead & 0xF0) == 0xE0 ? 2
                   : (lead & 0xF8) == 0xF0 ? 3
                                           : 0;
    if (extra == 0 || s.size() - i <= extra) return i;
    uint32_t cp = lead & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
      uint8_t next = uint8_t(s[i + k]);
      if ((next & 0xC0) != 0x80) return i;
      cp = cp << 6 | (next & 0x3F);
    }
    const uint32_t least[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return i;
    i += extra + 1;
  }
  return std::string_view::npos;
}

int LineAt(std::string_view s, size_t pos) {
  int line = 1;
  for (size_t i = 0; i < pos && i < s.size(); ++i) line += s[i] == '\n';
  return line;
}

// UTF-8 (a byte-order mark is dropped), else GB18030, the encoding of files from Chinese sites.
std::optional<std::string> DecodeText(std::string_view bytes, PgnError* error) {
  bool mark = bytes.starts_with("\xEF\xBB\xBF");
  if (mark) bytes.remove_prefix(3);
  size_t broken = Utf8BreakAt(bytes);
  if (broken == std::string_view::npos) return std::string(bytes);
  if (!mark)
    if (auto text = runtime::GbToUtf8(bytes)) return text;
  Fail(error, LineAt(bytes, broken), "文字既不是 UTF-8 也不是 GB18030");
  return std::nullopt;
}

// ---------------------------------------------------------------- tokens

struct Token {
  enum Type { kEnd, kTag, kSymbol, kComment, kVariation, kNag } type = kEnd;
  std::string_view text;  // the symbol, the comment's or variation's inside, the tag's name
  std::string value;      // the tag's value, unescaped
  int line = 1;
  size_t begin = 0;  // where the token starts in the text
};

class Lexer {
 public:
  Lexer(std::string_view text, size_t pos, size_t end, int line)
      : text_(text.substr(0, end)), pos_(pos), line_(line) {}

  size_t Pos() const { return pos_; }
  int Line() const { return line_; }

  // The next token (kEnd at the end); false, and the reason, for a broken one.
  bool Next(Token& token, PgnError* error) {
    // A stray closing sign has nothing to keep.
    for (SkipSpace(); pos_ < text_.size() && IsStrayClose(text_[pos_]); SkipSpace()) ++pos_;
    token = Token{};
    token.line = line_;
    token.begin = pos_;
    if (pos_ >= text_.size()) return true;
    char ch = text_[pos_];
    switch (ch) {
      case '[':
        return Tag(token, error);
      case '{':
        return Comment(token, error);
      case ';': {
        size_t stop = text_.find('\n', pos_);
        if (stop == std::string_view::npos) stop = text_.size();
        token.type = Token::kComment;
        token.text = engine::Trim(text_.substr(pos_ + 1, stop - pos_ - 1));
        pos_ = stop;
        return true;
      }
      case '(':
        return Variation(token, error);
      case '$':
        token.type = Token::kNag;
        ++pos_;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
        return true;
      default:
        break;
    }
    size_t start = pos_++;  // not a space nor a sign handled above, so a symbol's first byte
    while (pos_ < text_.size() && SpaceLength(pos_) == 0 && !IsDelimiter(text_[pos_])) ++pos_;
    token.type = Token::kSymbol;
    token.text = text_.substr(start, pos_ - start);
    return true;
  }

 private:
  static bool IsStrayClose(char ch) { return ch == ')' || ch == '}' || ch == ']'; }
  static bool IsDelimiter(char ch) {
    return ch == '{' || ch == '}' || ch == '(' || ch == ')' || ch == '[' || ch == ']' ||
           ch == ';' || ch == '$';
  }
  // The bytes of white space at `at`: ASCII space, and the ideographic and no-break spaces that
  // Chinese texts put between moves.
  size_t SpaceLength(size_t at) const {
    char ch = text_[at];
    if (ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f') return 1;
    std::string_view rest = text_.substr(at);
    if (rest.starts_with("\xE3\x80\x80")) return 3;  // U+3000
    if (rest.starts_with("\xC2\xA0")) return 2;      // U+00A0
    return 0;
  }

  void SkipSpace() {
    while (pos_ < text_.size()) {
      if (size_t n = SpaceLength(pos_)) {
        line_ += text_[pos_] == '\n';
        pos_ += n;
      } else if (text_[pos_] == '%' && (pos_ == 0 || text_[pos_ - 1] == '\n')) {
        // An escape line, for other programs' private use.
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else {
        return;
      }
    }
  }

  void CountLines(size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) line_ += text_[i] == '\n';
  }

  bool Tag(Token& token, PgnError* error) {
    size_t i = pos_ + 1;
    while (i < text_.size() && (text_[i] == ' ' || text_[i] == '\t')) ++i;
    size_t name_start = i;
    while (i < text_.size() && (isalnum(uint8_t(text_[i])) || text_[i] == '_')) ++i;
    token.text = text_.substr(name_start, i - name_start);
    while (i < text_.size() && (text_[i] == ' ' || text_[i] == '\t')) ++i;
    if (token.text.empty()) return Fail(error, line_, "标签没有名字");
    if (i < text_.size() && text_[i] == '"') {
      for (++i; i < text_.size() && text_[i] != '"' && text_[i] != '\n'; ++i) {
        if (text_[i] == '\\' && i + 1 < text_.size() && text_[i + 1] != '\n') ++i;
        token.value += text_[i];
      }
      if (i >= text_.size() || text_[i] != '"')
        return Fail(error, line_, "标签 " + std::string(token.text) + " 的值没有结束的引号");
      ++i;
      while (i < text_.size() && (text_[i] == ' ' || text_[i] == '\t' || text_[i] == '\r')) ++i;
    } else {
      // An unquoted value, as some programs write: up to the bracket.
      size_t stop = i;
      while (stop < text_.size() && text_[stop] != ']' && text_[stop] != '\n') ++stop;
      token.value = std::string(engine::Trim(text_.substr(i, stop - i)));
      i = stop;
    }
    if (i >= text_.size() || text_[i] != ']')
      return Fail(error, line_, "标签 " + std::string(token.text) + " 没有结束的 ]");
    token.type = Token::kTag;
    pos_ = i + 1;
    return true;
  }

  bool Comment(Token& token, PgnError* error) {
    size_t close = text_.find('}', pos_);
    if (close == std::string_view::npos) return Fail(error, line_, "注释 { 没有结束的 }");
    token.type = Token::kComment;
    token.text = engine::Trim(text_.substr(pos_ + 1, close - pos_ - 1));
    CountLines(pos_, close);
    pos_ = close + 1;
    return true;
  }

  // A variation, nested ones and comments inside it: kept whole, as text.
  bool Variation(Token& token, PgnError* error) {
    int depth = 0;
    size_t i = pos_;
    for (; i < text_.size(); ++i) {
      char ch = text_[i];
      if (ch == '{') {
        size_t close = text_.find('}', i);
        if (close == std::string_view::npos) break;
        i = close;
      } else if (ch == ';') {
        size_t stop = text_.find('\n', i);
        if (stop == std::string_view::npos) break;
        i = stop;
      } else if (ch == '(') {
        ++depth;
      } else if (ch == ')' && --depth == 0) {
        break;
      }
    }
    if (i >= text_.size()) return Fail(error, line_, "变着 ( 没有结束的 )");
    token.type = Token::kVariation;
    token.text = text_.substr(pos_ + 1, i - pos_ - 1);
    CountLines(pos_, i);
    pos_ = i + 1;
    return true;
  }

  std::string_view text_;
  size_t pos_;
  int line_;
};

// ---------------------------------------------------------------- symbols in the moves

// The result a symbol states, in PGN's words, or nothing. Files from Chinese sites may say it in
// Chinese.
std::optional<std::string> ResultOf(std::string_view s) {
  static constexpr std::pair<std::string_view, std::string_view> kResults[] = {
      {"1-0", "1-0"},     {"0-1", "0-1"},      {"1/2-1/2", "1/2-1/2"}, {"*", "*"},
      {"½-½", "1/2-1/2"}, {"红胜", "1-0"},     {"红先胜", "1-0"},      {"黑胜", "0-1"},
      {"红先负", "0-1"},  {"和棋", "1/2-1/2"}, {"和局", "1/2-1/2"},    {"红先和", "1/2-1/2"},
  };
  for (const auto& [text, result] : kResults)
    if (s == text) return std::string(result);
  return std::nullopt;
}

// "12." "12..." "12…" "12、" and a bare "12" number moves; what follows them (1.e4) is the move.
std::string_view StripMoveNumber(std::string_view s) {
  size_t digits = 0;
  while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9') ++digits;
  if (digits == 0) {
    // A lone "..." after a comment, before black's move.
    while (!s.empty() && s.front() == '.') s.remove_prefix(1);
    return s;
  }
  std::string_view rest = s.substr(digits);
  if (rest.empty()) return rest;
  bool stripped = false;
  for (;;) {
    if (rest.starts_with(".")) {
      rest.remove_prefix(1);
    } else if (rest.starts_with("…") || rest.starts_with("、") || rest.starts_with("．")) {
      rest.remove_prefix(3);
    } else {
      break;
    }
    stripped = true;
  }
  // "33.4" is WXF's middle soldier, not move 33.
  bool move_follows = rest.empty() || rest[0] < '0' || rest[0] > '9';
  return stripped && move_follows ? rest : s;
}

// Annotations on a move: "!", "?", "!?", "?!", "!!", "??".
std::string_view StripAnnotation(std::string_view s) {
  while (!s.empty() && (s.back() == '!' || s.back() == '?')) s.remove_suffix(1);
  return s;
}

void AddComment(std::string& to, std::string_view text) {
  if (text.empty()) return;
  if (!to.empty()) to += ' ';
  to += text;
}

std::string AfterFen(std::string_view fen) {
  // XBoard's xiangqi FEN names the horse h and the elephant e.
  std::string out(fen);
  for (char& ch : out) {
    if (ch == ' ') break;
    if (ch == 'h' || ch == 'H') ch = ch == 'h' ? 'n' : 'N';
    if (ch == 'e' || ch == 'E') ch = ch == 'e' ? 'b' : 'B';
  }
  return out;
}

bool HasNonAscii(std::string_view s) {
  for (char ch : s)
    if (uint8_t(ch) >= 0x80) return true;
  return false;
}

std::string Ending(const PgnGame& game, const engine::Position& final) {
  std::string termination = game.tags.Get("Termination");
  // Our own words; PGN's English values ("normal", "time forfeit") say nothing of the board.
  if (HasNonAscii(termination)) return termination;
  if (final.NoLegalMoves()) return final.InCheck() ? "将死" : "困毙";
  return {};
}

// ---------------------------------------------------------------- writing

std::string Escaped(std::string_view value) {
  std::string out;
  for (char ch : value) {
    if (ch == '\\' || ch == '"') out += '\\';
    out += ch == '\n' || ch == '\r' ? ' ' : ch;
  }
  return out;
}

// The opening with its usual counters: a FEN tag is needed for anything else.
bool IsOpening(const engine::Position& pos) {
  return pos.Fen() == engine::Position().Fen();
}

// Lines of moves of at most 80 characters, broken between words.
class Lines {
 public:
  void Add(std::string_view word) {
    size_t width = 0;
    for (char ch : word) width += (uint8_t(ch) & 0xC0) != 0x80;
    if (width_ > 0 && width_ + 1 + width > 80) Flush();
    if (width_ > 0) line_ += ' ', ++width_;
    line_ += word;
    width_ += width;
  }
  std::string Finish() {
    Flush();
    return std::move(out_);
  }

 private:
  void Flush() {
    if (!line_.empty()) out_ += line_ + '\n';
    line_.clear();
    width_ = 0;
  }
  std::string line_, out_;
  size_t width_ = 0;
};

std::string CommentText(std::string_view comment) {
  std::string out = "{";
  for (char ch : comment) out += ch == '}' ? ')' : ch;  // a comment cannot hold its own end
  return out + "}";
}

const char* FormatName(Notation notation) {
  switch (notation) {
    case Notation::kChinese:
      return "Chinese";
    case Notation::kWxf:
      return "WXF";
    case Notation::kIccs:
      return "ICCS";
    case Notation::kXboard:
      return "";
  }
  return "";
}

// PGN writes ICCS as H2-E2.
std::string PgnIccs(std::string text) {
  for (char& ch : text)
    if (ch >= 'a' && ch <= 'i') ch = char(ch - 'a' + 'A');
  return text.substr(0, 2) + "-" + text.substr(2);
}

}  // namespace

// ---------------------------------------------------------------- tags, games, errors

std::string PgnTags::Get(std::string_view name) const {
  for (const auto& [n, v] : tags_)
    if (SameName(n, name)) return v;
  return {};
}

bool PgnTags::Has(std::string_view name) const {
  for (const auto& tag : tags_)
    if (SameName(tag.first, name)) return true;
  return false;
}

void PgnTags::Set(std::string_view name, std::string value) {
  for (auto& [n, v] : tags_)
    if (SameName(n, name)) {
      v = std::move(value);
      return;
    }
  tags_.emplace_back(std::string(name), std::move(value));
}

engine::Position PgnGame::Final() const {
  engine::Position pos = start;
  for (engine::Move m : moves) pos.MakeMove(m);
  return pos;
}

std::string PgnError::Text() const {
  return "第 " + std::to_string(line) + " 行：" + reason;
}

// ---------------------------------------------------------------- reading

std::optional<PgnFile> PgnFile::Open(std::string_view bytes, PgnError* error) {
  PgnFile file;
  auto text = DecodeText(bytes, error);
  if (!text) return std::nullopt;
  file.text_ = std::move(*text);
  Lexer lexer(file.text_, 0, file.text_.size(), 1);
  Entry* current = nullptr;
  bool in_moves = false, ended = false;
  Token token;
  for (;;) {
    if (!lexer.Next(token, error)) return std::nullopt;
    if (token.type == Token::kEnd) break;
    // A game starts with its tags, or with a move where no game is open.
    bool is_tag = token.type == Token::kTag;
    if ((is_tag && (!current || in_moves || ended)) ||
        (token.type == Token::kSymbol && (!current || ended))) {
      if (current) current->end = token.begin;
      file.games_.push_back(Entry{});
      current = &file.games_.back();
      current->line = current->begin_line = current->fen_line = token.line;
      current->begin = token.begin;
      in_moves = ended = false;
    }
    if (!current || ended) continue;  // remarks before the first game or after a result
    if (is_tag) {
      // Far more than any game has; the limit keeps a hostile file from taking minutes.
      if (current->tags.All().size() >= kMaxTags) {
        Fail(error, token.line, "一局的标签太多");
        return std::nullopt;
      }
      if (SameName(token.text, "FEN")) current->fen_line = token.line;
      current->tags.Set(token.text, std::move(token.value));
      current->begin = lexer.Pos();
      current->begin_line = lexer.Line();
    } else {
      in_moves = true;
      ended = token.type == Token::kSymbol && ResultOf(token.text);
    }
  }
  if (current) current->end = file.text_.size();
  if (file.games_.empty()) {
    Fail(error, 1, "文件里没有棋局");
    return std::nullopt;
  }
  return file;
}

std::optional<PgnGame> PgnFile::Game(size_t index, PgnError* error) const {
  const Entry& entry = games_.at(index);
  PgnGame game;
  game.tags = entry.tags;
  game.line = entry.line;
  std::string fen = entry.tags.Get("FEN");
  if (!fen.empty()) {
    std::string why;
    auto start = engine::Position::FromFen(AfterFen(fen), &why);
    if (!start) {
      Fail(error, entry.fen_line, "FEN 不是合规的局面（" + why + "）");
      return std::nullopt;
    }
    game.start = *start;
  }
  engine::Position pos = game.start;
  std::string result_tag = entry.tags.Get("Result");
  if (auto result = ResultOf(result_tag)) game.result = *result;
  Lexer lexer(text_, entry.begin, entry.end, entry.begin_line);
  Token token;
  for (;;) {
    if (!lexer.Next(token, error)) return std::nullopt;
    if (token.type == Token::kEnd) break;
    if (token.type == Token::kComment) {
      AddComment(game.comments.back(), token.text);
    } else if (token.type == Token::kVariation) {
      std::string variation(1, '(');
      AddComment(game.comments.back(), variation.append(token.text).append(")"));
    } else if (token.type == Token::kSymbol) {
      if (auto result = ResultOf(token.text)) {
        game.result = *result;
        break;
      }
      std::string_view word = StripAnnotation(StripMoveNumber(token.text));
      if (word.empty()) continue;
      MoveReading reading = ReadMove(pos, word);
      if (!reading.move) {
        std::string move(word);
        Fail(error, token.line,
             reading.error == MoveError::kUnreadable
                 ? "看不懂的着法 " + move
                 : "着法 " + move + " " + MoveErrorText(reading.error));
        return std::nullopt;
      }
      pos.MakeMove(*reading.move);
      game.moves.push_back(*reading.move);
      game.comments.emplace_back();
    }
  }
  game.ending = Ending(game, pos);
  return game;
}

std::optional<std::vector<PgnGame>> ReadPgn(std::string_view bytes, PgnError* error) {
  auto file = PgnFile::Open(bytes, error);
  if (!file) return std::nullopt;
  std::vector<PgnGame> games;
  games.reserve(file->GameCount());
  for (size_t i = 0; i < file->GameCount(); ++i) {
    auto game = file->Game(i, error);
    if (!game) return std::nullopt;
    games.push_back(std::move(*game));
  }
  return games;
}

// ---------------------------------------------------------------- writing

std::string WritePgn(const PgnGame& game, Notation notation) {
  static constexpr const char* kSevenTags[] = {"Event", "Site", "Date", "Round", "Red", "Black"};
  std::string out = "[Game \"Chinese Chess\"]\n";
  auto tag = [&out](std::string_view name, std::string_view value) {
    out.append("[").append(name).append(" \"").append(Escaped(value)).append("\"]\n");
  };
  for (const char* name : kSevenTags) {
    std::string value = game.tags.Get(name);
    tag(name, !value.empty() ? value : std::string_view(name) == "Date" ? "????.??.??" : "?");
  }
  tag("Result", game.result);
  if (!IsOpening(game.start)) tag("FEN", game.start.Fen());
  if (notation == Notation::kXboard)
    tag("Variant", "xiangqi");
  else
    tag("Format", FormatName(notation));
  // The ending the game has now, rather than one it was read with.
  bool ending = !game.ending.empty();
  if (ending) tag("Termination", game.ending);
  for (const auto& [name, value] : game.tags.All()) {
    bool written = ending && SameName(name, "Termination");
    for (const char* known : {"Game", "Result", "FEN", "Format", "Variant"})
      written |= SameName(name, known);
    for (const char* known : kSevenTags) written |= SameName(name, known);
    if (!written) tag(name, value);
  }
  out += '\n';
  Lines lines;
  auto comment = [&](size_t i) {
    if (i < game.comments.size() && !game.comments[i].empty())
      lines.Add(CommentText(game.comments[i]));
  };
  comment(0);
  std::vector<std::string> texts = WriteLine(game.start, game.moves, notation);
  size_t black_first = game.start.SideToMove() == engine::kBlack;
  for (size_t i = 0; i < texts.size(); ++i) {
    std::string round = std::to_string((i + black_first) / 2 + 1);
    if ((i + black_first) % 2 == 0)
      lines.Add(round + ".");
    else if (i == 0)
      lines.Add(round + "...");
    lines.Add(notation == Notation::kIccs ? PgnIccs(texts[i]) : texts[i]);
    comment(i + 1);
  }
  lines.Add(game.result);
  return out + lines.Finish();
}

}  // namespace record
