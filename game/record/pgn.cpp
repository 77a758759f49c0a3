#include "game/record/pgn.h"

#include <cstdint>

#include "engine/text_fields.h"
#include "game/record/game_list.h"
#include "game/record/pgn_lexer.h"

namespace record {

namespace {

constexpr size_t kMaxTags = 1000;
constexpr size_t kMaxProblems = 20;

void AddProblem(std::vector<ReadError>& problems, int line, std::string reason) {
  if (problems.size() < kMaxProblems) problems.push_back(ReadError{line, std::move(reason)});
}

const TextForms& Utf8Forms() {
  return TextForms::Of(Encoding::kUtf8);
}

std::optional<std::string> ResultWord(std::string_view word) {
  PgnSymbol symbol = ClassifySymbol(engine::Trim(word), Utf8Forms());
  if (symbol.kind != PgnSymbol::kResult) return std::nullopt;
  return std::string(symbol.result);
}

// A comment's text as PGN can hold it: it has no way to write a "}" inside braces, so it is
// written full width.
std::string FullWidthBraceEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    if (ch == '}')
      out += "｝";
    else
      out += ch;
  }
  return out;
}

// ---------------------------------------------------------------- tags

struct TagSection {
  PgnTags tags;
  int fen_line = 0;
};

// Reads the tags a game starts with, and returns the first token after them. `problems` (when
// given) gets what is broken in them.
PgnToken ReadTags(PgnLexer& lexer, TagSection& section, std::vector<ReadError>* problems) {
  PgnToken token = lexer.Next();
  bool too_many = false;
  for (; token.type == PgnToken::kTag; token = lexer.Next()) {
    std::string name(token.text);
    if (problems && token.broken == PgnToken::kNoTagName)
      AddProblem(*problems, token.line, "标签没有名字");
    if (problems && token.broken == PgnToken::kNoClosingQuote)
      AddProblem(*problems, token.line, "标签 " + name + " 的值没有结束的引号");
    if (problems && token.broken == PgnToken::kNoClosingBracket)
      AddProblem(*problems, token.line, "标签 " + name + " 没有结束的 ]");
    if (name.empty()) continue;
    // Far more than any game has; the limit keeps a hostile file from taking minutes.
    if (section.tags.Size() >= kMaxTags && !section.tags.Has(name)) {
      if (problems && !too_many) AddProblem(*problems, token.line, "一局的标签太多");
      too_many = true;
      continue;
    }
    if (SameTagName(name, "FEN")) section.fen_line = token.line;
    std::string value = TagValue(token);
    for (char& ch : value)
      if (ch == '\r' || ch == '\n') ch = ' ';
    section.tags.Set(name, std::move(value));
  }
  // XBoard's files name red White.
  section.tags.Rename("White", "Red");
  section.tags.Rename("WhiteElo", "RedElo");
  return token;
}

// XBoard's xiangqi FEN names the horse h and the elephant e.
std::string WithOurLetters(std::string_view fen) {
  std::string out(fen);
  for (char& ch : out) {
    if (ch == ' ') break;
    if (ch == 'h' || ch == 'H') ch = ch == 'h' ? 'n' : 'N';
    if (ch == 'e' || ch == 'E') ch = ch == 'e' ? 'b' : 'B';
  }
  return out;
}

// The FEN tag's position, or the opening; nothing, and why, for a FEN that is not a position.
std::optional<engine::Position> StartOf(const TagSection& section, ReadError* error) {
  std::string fen = section.tags.Get("FEN"), why;
  if (fen.empty()) return engine::Position();
  auto start = engine::Position::FromFen(WithOurLetters(fen), &why);
  if (!start && error) *error = ReadError{section.fen_line, "FEN 不是合规的局面（" + why + "）"};
  return start;
}

// Text that could not be read as moves, kept as a comment on one line.
std::string UnreadNote(std::string_view text) {
  std::string out = "未读：";
  bool blank = false;
  for (char ch : engine::Trim(text)) {
    bool space = ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
    if (!space && blank) out += ' ';
    if (!space) out += ch;
    blank = space;
  }
  return FullWidthBraceEnds(out);
}

// ---------------------------------------------------------------- move text

// Walks the moves of one game. Scanning counts the main line's moves as written and notes what is
// broken in the text; reading builds the tree and notes the moves that do not read.
class MoveText {
 public:
  MoveText(std::string_view text, GameTree* tree, std::vector<ReadError>& problems)
      : text_(text), tree_(tree), problems_(problems) {
    frames_.push_back(Frame{kRootNode, false, 0, 0, {}});
    if (tree_) pos_ = tree_->Start();
  }

  void Run(PgnLexer& lexer, PgnToken token) {
    for (; token.type != PgnToken::kEnd; token = lexer.Next()) {
      if (!tree_ && token.broken == PgnToken::kNoClosingBrace)
        AddProblem(problems_, token.line, "注释 { 没有结束的 }");
      if (skipping_ && !Skip(token)) continue;
      if (!Take(token)) break;
    }
    if (skipping_) EndSkip(text_.size());
    if (frames_.size() > 1 && !tree_)
      AddProblem(problems_, frames_[1].open_line, "变着 ( 没有结束的 )");
    while (frames_.size() > 1) Close();
  }

  int plies = 0;
  std::optional<std::string> result;

 private:
  // A line being read: the main line, or a variation inside it. One position serves them all:
  // a variation takes back the move it stands for, and gives it back when it closes.
  struct Frame {
    NodeId last;  // the line's last move (where it hangs, before it has one)
    bool moved;
    int made;     // the moves made on the position for it
    int open_line;
    std::string before;  // a comment at the start of a variation, for its first move
  };

  // False once the game's result is read.
  bool Take(const PgnToken& token) {
    switch (token.type) {
      case PgnToken::kComment:
        Comment(token);
        break;
      case PgnToken::kNag:
        if (auto nag = engine::ParseNumber(token.text, 0, 255); nag && tree_ && frames_.back().moved)
          tree_->AddNag(frames_.back().last, uint8_t(*nag));
        break;
      case PgnToken::kOpen:
        Open(token);
        break;
      case PgnToken::kClose:
        if (frames_.size() > 1) Close();  // a stray one closes nothing
        break;
      case PgnToken::kSymbol:
        return Symbol(token);
      default:
        break;  // a tag among the moves, in a text no list has split
    }
    return true;
  }

  void Comment(const PgnToken& token) {
    if (!tree_) return;
    // Only a ;-comment can hold a "}"; it is kept the way a brace comment writes it.
    std::string text = FullWidthBraceEnds(UnixLines(engine::Trim(token.text)));
    if (text.empty()) return;
    Frame& frame = frames_.back();
    if (!frame.moved && frames_.size() > 1) {
      if (!frame.before.empty()) frame.before += ' ';
      frame.before += text;
    } else {
      tree_->AddComment(frame.last, text);
    }
  }

  void Open(const PgnToken& token) {
    Frame& frame = frames_.back();
    if (!tree_) {
      frames_.push_back(Frame{kRootNode, false, 0, token.line, {}});
      return;
    }
    if (!frame.moved) {
      AddProblem(problems_, token.line, "变着 ( 前面没有着法");
      StartSkip(token.begin, frame.last, 1);
      return;
    }
    pos_->UnmakeMove();
    frames_.push_back(Frame{tree_->Parent(frame.last), false, 0, token.line, {}});
  }

  void Close() {
    Frame frame = std::move(frames_.back());
    frames_.pop_back();
    if (!tree_) return;
    if (!frame.moved) tree_->AddComment(frame.last, frame.before);
    for (int i = 0; i < frame.made; ++i) pos_->UnmakeMove();
    pos_->MakeMove(tree_->At(frames_.back().last).move);
  }

  bool Symbol(const PgnToken& token) {
    PgnSymbol symbol = ClassifySymbol(token.text, Utf8Forms());
    Frame& frame = frames_.back();
    switch (symbol.kind) {
      case PgnSymbol::kResult:
        if (frames_.size() > 1) return true;  // some programs end variations with one
        result = symbol.result;
        return false;
      case PgnSymbol::kNumber:
        return true;
      case PgnSymbol::kMark:
        if (auto nag = MarkNag(symbol.mark); nag && tree_ && frame.moved)
          tree_->AddNag(frame.last, *nag);
        return true;
      case PgnSymbol::kMove:
        break;
    }
    if (!tree_) {
      plies += frames_.size() == 1;
      return true;
    }
    MoveReading reading = ReadMove(*pos_, symbol.move, base_);
    if (!reading.move && base_ == RankBase::kFromZero && reading.notation != Notation::kWxf &&
        reading.notation != Notation::kChinese) {
      // XBoard's older files count ranks from 1; once a move reads so, the game does.
      MoveReading from_one = ReadMove(*pos_, symbol.move, RankBase::kFromOne);
      if (from_one.move) reading = from_one, base_ = RankBase::kFromOne;
    }
    if (!reading.move) {
      std::string move(symbol.move);
      AddProblem(problems_, token.line,
                 reading.error == MoveError::kUnreadable
                     ? "看不懂的着法 " + move
                     : "着法 " + move + " " + MoveErrorText(reading.error));
      StartSkip(token.begin, frame.last, 0);
      return true;
    }
    NodeId node = tree_->AppendChild(frame.last, *reading.move);
    tree_->AddBefore(node, WithoutTagLines(frame.before));
    frame.before.clear();
    pos_->MakeMove(*reading.move);
    ++frame.made;
    frame.last = node;
    frame.moved = true;
    if (auto nag = MarkNag(symbol.mark)) tree_->AddNag(node, *nag);
    return true;
  }

  // The rest of a line that cannot be read: to the close of its variation (or, for a variation
  // with nothing before it, its own close), or to the game's result.
  void StartSkip(size_t from, NodeId keeper, int nested) {
    skipping_ = true;
    skip_from_ = from;
    skip_keeper_ = keeper;
    skip_nested_ = nested;
    skip_variation_ = nested > 0;
  }

  // False while the token is part of what is skipped.
  bool Skip(const PgnToken& token) {
    if (token.type == PgnToken::kOpen) {
      ++skip_nested_;
      return false;
    }
    if (token.type == PgnToken::kClose) {
      if (skip_nested_ > 0) {
        if (--skip_nested_ == 0 && skip_variation_) EndSkip(token.end);
        return false;
      }
      if (frames_.size() == 1) return false;
      EndSkip(token.begin);
      return true;
    }
    if (token.type == PgnToken::kSymbol && skip_nested_ == 0 && frames_.size() == 1 &&
        ClassifySymbol(token.text, Utf8Forms()).kind == PgnSymbol::kResult) {
      EndSkip(token.begin);
      return true;
    }
    return false;
  }

  void EndSkip(size_t to) {
    skipping_ = false;
    tree_->AddComment(skip_keeper_, UnreadNote(text_.substr(skip_from_, to - skip_from_)));
  }

  std::string_view text_;
  GameTree* tree_;
  std::vector<ReadError>& problems_;
  std::vector<Frame> frames_;
  std::optional<engine::Position> pos_;  // when reading: after the innermost line's last move
  RankBase base_ = RankBase::kFromZero;
  bool skipping_ = false, skip_variation_ = false;
  size_t skip_from_ = 0;
  NodeId skip_keeper_ = kRootNode;
  int skip_nested_ = 0;
};

// ---------------------------------------------------------------- writing

std::string Escaped(std::string_view value) {
  std::string out;
  for (char ch : value) {
    if (ch == '\\' || ch == '"') out += '\\';
    out += ch == '\n' || ch == '\r' ? ' ' : ch;
  }
  return out;
}

std::string Braced(std::string_view comment) {
  return std::string("{").append(WithoutTagLines(FullWidthBraceEnds(comment))).append("}");
}

bool IsOpening(const engine::Position& pos) {
  return pos.Fen() == engine::Position().Fen();
}

size_t Width(std::string_view text) {
  size_t width = 0;
  for (char ch : text) width += (uint8_t(ch) & 0xC0) != 0x80;
  return width;
}

// Lines of moves of at most 80 characters, broken between words; "(" sticks to the word after
// it and ")" to the word before.
class Lines {
 public:
  void Add(std::string word) {
    if (open_) word.insert(0, "("), open_ = false;
    size_t newline = word.rfind('\n');
    size_t width = Width(word);
    if (width_ > 0 && width_ + 1 + width > 80 && newline == std::string::npos) Flush();
    if (width_ > 0 || !line_.empty()) line_ += ' ', ++width_;
    line_ += word;
    width_ = newline == std::string::npos ? width_ + width : Width(word.substr(newline + 1));
  }
  void Open() { open_ = true; }
  void Close() { line_ += ')', ++width_; }
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
  bool open_ = false;
};

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

// The moves of a tree as PGN move text.
class MoveWriter {
 public:
  MoveWriter(const GameTree& tree, Notation notation)
      : tree_(tree),
        notation_(notation),
        round_(StartRound(tree.Start())),
        black_first_(tree.Start().SideToMove() == engine::kBlack) {}

  // Every move after `from` (at `pos`), the variations in their places; `number`: the first
  // shows its number even when it is black's. One position serves every line: a variation's
  // moves are taken back when it closes.
  void Line(NodeId from, engine::Position pos, bool number) {
    struct Frame {
      NodeId parent;  // the position stands after it while the frame is on top
      size_t next;    // 0: the main continuation is still to write, else the next variation
      bool variation;
    };
    std::vector<Frame> stack{{from, 0, false}};
    while (!stack.empty()) {
      Frame& frame = stack.back();
      const std::vector<NodeId>& children = tree_.Children(frame.parent);
      if (frame.next == 0 && children.empty()) {
        Frame ended = frame;
        stack.pop_back();
        if (!ended.variation) continue;
        lines_.Close();
        number = true;
        for (int i = tree_.At(ended.parent).ply; i > tree_.At(stack.back().parent).ply; --i)
          pos.UnmakeMove();
      } else if (frame.next == 0) {
        Move(children[0], pos, number);
        number = false;
        frame.next = 1;
      } else if (frame.next < children.size()) {
        NodeId alternative = children[frame.next++];
        lines_.Open();
        Move(alternative, pos, true);
        pos.MakeMove(tree_.At(alternative).move);
        stack.push_back(Frame{alternative, 0, true});
        number = false;
      } else {
        pos.MakeMove(tree_.At(children[0]).move);
        frame.parent = children[0];
        frame.next = 0;
      }
    }
  }

  // One move with its number (when red's, or when `number`), marks, NAGs and comments.
  void Move(NodeId id, const engine::Position& pos, bool number) {
    const GameNode& node = tree_.At(id);
    if (!node.before.empty()) lines_.Add(Braced(node.before));
    int index = node.ply - 1 + black_first_;
    std::string round = std::to_string(round_ + index / 2);
    if (index % 2 == 0)
      lines_.Add(round + ".");
    else if (number)
      lines_.Add(round + "...");
    std::string text = WriteMove(pos, node.move, notation_);
    if (notation_ == Notation::kIccs) {
      // PGN writes ICCS as H2-E2.
      for (char& ch : text)
        if (ch >= 'a' && ch <= 'i') ch = char(ch - 'a' + 'A');
      text.insert(2, "-");
    }
    size_t nag = 0;
    if (!node.nags.empty() && !NagMark(node.nags[0]).empty()) text += NagMark(node.nags[nag++]);
    lines_.Add(std::move(text));
    for (; nag < node.nags.size(); ++nag) lines_.Add(std::string("$").append(std::to_string(node.nags[nag])));
    if (!node.comment.empty()) lines_.Add(Braced(node.comment));
  }

  Lines& Out() { return lines_; }

 private:
  const GameTree& tree_;
  Notation notation_;
  int round_;
  int black_first_;
  Lines lines_;
};

// A variation as one line of text, the way the one-line game keeps it in a comment.
std::string VariationText(const GameTree& tree, NodeId first, const engine::Position& pos) {
  MoveWriter writer(tree, Notation::kChinese);
  writer.Move(first, pos, true);
  engine::Position after = pos;
  after.MakeMove(tree.At(first).move);
  writer.Line(first, std::move(after), false);
  std::string text = writer.Out().Finish();
  for (char& ch : text)
    if (ch == '\n') ch = ' ';
  return std::string("(").append(engine::Trim(text)).append(")");
}

}  // namespace

std::string GameEnding(const PgnTags& tags, const engine::Position& final) {
  std::string termination = tags.Get("Termination");
  // Our own words; PGN's English values ("normal", "time forfeit") say nothing of the board.
  for (char ch : termination)
    if (uint8_t(ch) >= 0x80) return termination;
  if (final.NoLegalMoves()) return final.InCheck() ? "将死" : "困毙";
  return {};
}

// ---------------------------------------------------------------- one game as a tree

GameSummary SummarizePgnGame(std::string_view text, int first_line) {
  GameSummary summary;
  summary.line = first_line;
  PgnLexer lexer(text, Encoding::kUtf8, 0, first_line);
  TagSection section;
  PgnToken token = ReadTags(lexer, section, &summary.problems);
  ReadError bad_fen;
  if (!StartOf(section, &bad_fen)) AddProblem(summary.problems, bad_fen.line, bad_fen.reason);
  summary.tags = std::move(section.tags);
  MoveText scan(text, nullptr, summary.problems);
  scan.Run(lexer, token);
  summary.plies = scan.plies;
  return summary;
}

std::optional<OpenedGame> ReadPgnGame(std::string_view text, int first_line, ReadError* error) {
  OpenedGame game;
  game.problems = SummarizePgnGame(text, first_line).problems;
  PgnLexer lexer(text, Encoding::kUtf8, 0, first_line);
  TagSection section;
  PgnToken token = ReadTags(lexer, section, nullptr);
  auto start = StartOf(section, error);
  if (!start) return std::nullopt;
  game.tree = GameTree(*start);
  game.tree.tags = std::move(section.tags);
  MoveText reader(text, &game.tree, game.problems);
  reader.Run(lexer, token);
  // Comments joined on reading may have made a line that would read as a tag; it is kept the
  // way the writer writes it, so that the game reads back the same.
  for (NodeId id = 0; id < game.tree.NodeCount(); ++id)
    if (game.tree.At(id).comment.find('\n') != std::string::npos)
      game.tree.SetComment(id, WithoutTagLines(game.tree.At(id).comment));
  if (reader.result)
    game.tree.result = *reader.result;
  else if (auto result = ResultWord(CommonTag(game.tree.tags, "Result")))
    game.tree.result = *result;
  return game;
}

std::string WritePgn(const GameTree& tree, Notation notation) {
  PgnTags tags = tree.tags;
  tags.Set("Result", tree.result);
  if (!IsOpening(tree.Start()) || tags.Has("FEN")) tags.Set("FEN", tree.Start().Fen());
  if (notation == Notation::kXboard) {
    tags.Remove("Format");
    tags.Set("Variant", "xiangqi");
  } else {
    tags.Set("Format", FormatName(notation));
  }
  std::string out;
  auto tag = [&out](std::string_view name, std::string_view value) {
    out.append("[").append(name).append(" \"").append(Escaped(value)).append("\"]\n");
  };
  if (!tags.Has("Game")) tag("Game", "Chinese Chess");
  for (const auto& [name, value] : tags.All()) tag(name, value);
  out += '\n';
  MoveWriter writer(tree, notation);
  const std::string& opening = tree.At(kRootNode).comment;
  if (!opening.empty()) writer.Out().Add(Braced(opening));
  writer.Line(kRootNode, tree.Start(), true);
  writer.Out().Add(tree.result);
  return out + writer.Out().Finish();
}

// ---------------------------------------------------------------- the main line alone

engine::Position PgnGame::Final() const {
  engine::Position pos = start;
  engine::MakeLegalMoves(pos, moves);
  return pos;
}

PgnGame MainLineGame(const GameTree& tree, int line) {
  PgnGame game;
  game.tags = tree.tags;
  game.start = tree.Start();
  game.result = tree.result;
  game.line = line;
  game.comments[0] = tree.At(kRootNode).comment;
  engine::Position pos = tree.Start();
  NodeId before = kRootNode;
  for (NodeId id : tree.MainLine()) {
    std::string comment = tree.At(id).comment;
    const std::vector<NodeId>& alternatives = tree.Children(before);
    for (size_t k = 1; k < alternatives.size(); ++k) {
      if (!comment.empty()) comment += ' ';
      comment += VariationText(tree, alternatives[k], pos);
    }
    game.moves.push_back(tree.At(id).move);
    game.comments.push_back(std::move(comment));
    pos.MakeMove(tree.At(id).move);
    before = id;
  }
  game.ending = GameEnding(game.tags, pos);
  return game;
}

std::optional<PgnFile> PgnFile::Open(std::string_view bytes, PgnError* error) {
  auto list = GameList::Open(std::string(bytes), error);
  if (!list) return std::nullopt;
  PgnFile file;
  file.list_ = std::make_shared<const GameList>(std::move(*list));
  for (size_t i = 0; i < file.list_->Count(); ++i) file.games_.push_back(file.list_->Summary(i));
  return file;
}

std::optional<PgnGame> PgnFile::Game(size_t index, PgnError* error) const {
  auto game = list_->Game(index, error);
  if (!game) return std::nullopt;
  if (!game->problems.empty()) {
    if (error) *error = game->problems.front();
    return std::nullopt;
  }
  return MainLineGame(game->tree, games_.at(index).line);
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

PgnTags RosterTags(const PgnTags& tags, const std::string& result, const engine::Position& start,
                   Notation notation, const std::string& ending) {
  PgnTags roster;
  static constexpr const char* kRoster[] = {"Event", "Site", "Date", "Round", "Red", "Black"};
  roster.Set("Game", "Chinese Chess");
  for (const char* name : kRoster) {
    std::string value = tags.Get(name);
    roster.Set(name, !value.empty()                     ? value
                     : std::string_view(name) == "Date" ? "????.??.??"
                                                        : "?");
  }
  roster.Set("Result", result);
  if (!IsOpening(start)) roster.Set("FEN", "");
  roster.Set(notation == Notation::kXboard ? "Variant" : "Format", "");
  // The ending the game has now, rather than one it was read with.
  if (!ending.empty()) roster.Set("Termination", ending);
  for (const auto& [name, value] : tags.All()) {
    bool ours = SameTagName(name, "FEN") || SameTagName(name, "Format") ||
                SameTagName(name, "Variant");
    if (!ours && !roster.Has(name)) roster.Set(name, value);
  }
  return roster;
}

std::string WritePgn(const PgnGame& game, Notation notation) {
  GameTree tree(game.start);
  tree.tags = RosterTags(game.tags, game.result, game.start, notation, game.ending);
  tree.result = game.result;
  tree.AddComment(kRootNode, game.comments.empty() ? "" : game.comments[0]);
  NodeId at = kRootNode;
  for (size_t i = 0; i < game.moves.size(); ++i) {
    at = tree.AppendChild(at, game.moves[i]);
    if (i + 1 < game.comments.size()) tree.AddComment(at, game.comments[i + 1]);
  }
  return WritePgn(tree, notation);
}

}  // namespace record
