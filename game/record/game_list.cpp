#include "game/record/game_list.h"

#include <algorithm>

#include "game/record/dhtmlxq.h"
#include "game/record/pgn_lexer.h"
#include "game/record/xqf.h"

namespace record {

namespace {

constexpr size_t kCheckpoint = 64;  // games between two remembered lines

std::string_view NotText() {
  return "文字既不是 UTF-8 也不是 GB18030";
}

}  // namespace

RecordFormat DetectFormat(std::string_view bytes) {
  // XQF's signature, then a version byte that no text has there.
  if (bytes.starts_with("XQ") && (bytes.size() < 3 || uint8_t(bytes[2]) < 0x20))
    return RecordFormat::kXqf;
  if (bytes.find("[DhtmlXQ") != std::string_view::npos) return RecordFormat::kDhtmlXq;
  return RecordFormat::kPgn;
}

std::optional<GameList> GameList::Open(std::string bytes, ReadError* error) {
  if (bytes.size() > kMaxFileBytes) {
    if (error) *error = ReadError{0, TooLargeReason()};
    return std::nullopt;
  }
  GameList list;
  list.bytes_ = std::move(bytes);
  list.format_ = DetectFormat(list.bytes_);
  TextEncoding text = DetectEncoding(list.bytes_);
  list.encoding_ = text.encoding;
  switch (list.format_) {
    case RecordFormat::kXqf:
      list.Begin(0, 0);
      break;
    case RecordFormat::kDhtmlXq:
      list.IndexDhtmlXq();
      break;
    case RecordFormat::kPgn:
      list.IndexPgn(text.text_begin);
      break;
  }
  if (list.begins_.empty()) {
    if (error) *error = ReadError{1, "文件里没有棋局"};
    return std::nullopt;
  }
  return list;
}

void GameList::Begin(size_t at, int line) {
  if (begins_.size() % kCheckpoint == 0) lines_.push_back(line);
  begins_.push_back(uint32_t(at));
}

// One pass over the file's bytes. A game starts at its tags (a tag whose name the game has
// already had starts the next one), or at the move number 1 where no game is open: before the
// first game, after a result, or after the move numbers of a game have passed 1. A comment just
// before such a move number goes with the game; other text outside games is passed over.
void GameList::IndexPgn(size_t text_begin) {
  const TextForms& forms = TextForms::Of(encoding_);
  PgnLexer lexer(bytes_, encoding_, text_begin, 1);
  enum { kOutside, kTags, kMoves } state = kOutside;
  bool ended = false, result_in_variation = false, numbers_passed_one = false;
  int depth = 0;
  std::vector<std::string_view> names;
  size_t comments_before = std::string_view::npos, stray_text = std::string_view::npos;
  int comments_line = 0, stray_line = 0, stray_tried = 0;
  auto start = [&](size_t at, int line) {
    Begin(at, line);
    ended = result_in_variation = numbers_passed_one = false;
    depth = 0;
    names.clear();
  };
  for (PgnToken token = lexer.Next(); token.type != PgnToken::kEnd; token = lexer.Next()) {
    bool in_game = state != kOutside && !ended;
    size_t comments = comments_before;
    comments_before = std::string_view::npos;
    switch (token.type) {
      case PgnToken::kTag: {
        bool repeated = std::any_of(names.begin(), names.end(), [&](std::string_view name) {
          return SameTagName(name, token.text);
        });
        if (state != kTags || ended || repeated) start(token.begin, token.line);
        state = kTags;
        names.push_back(token.text);
        break;
      }
      case PgnToken::kSymbol: {
        PgnSymbol symbol = ClassifySymbol(token.text, forms);
        bool first = symbol.number == 1 && symbol.dotted;
        bool new_game = !in_game ? first
                                 : first && (result_in_variation ||
                                             (depth == 0 && numbers_passed_one));
        if (new_game) {
          bool with_comments = comments != std::string_view::npos;
          start(with_comments ? comments : token.begin, with_comments ? comments_line : token.line);
        } else if (!in_game) {
          if (stray_text == std::string_view::npos && begins_.empty() && stray_tried++ < 100 &&
              ReadMove(engine::Position(), DecodeSpan(symbol.move, encoding_)).move)
            stray_text = token.begin, stray_line = token.line;
          break;
        }
        state = kMoves;
        if (symbol.kind == PgnSymbol::kResult) (depth == 0 ? ended : result_in_variation) = true;
        if (depth == 0 && symbol.number >= 2) numbers_passed_one = true;
        break;
      }
      case PgnToken::kComment:
        if (!in_game) {
          comments_before = comments != std::string_view::npos ? comments : token.begin;
          if (comments == std::string_view::npos) comments_line = token.line;
        }
        break;
      case PgnToken::kOpen:
        if (in_game) ++depth, state = kMoves;
        break;
      case PgnToken::kClose:
        if (in_game && depth > 0) --depth, result_in_variation = false;
        break;
      default:
        break;
    }
  }
  // Moves without tags or numbers, as one pastes them: the game starts at the first word that is
  // a move from the opening.
  if (begins_.empty() && stray_text != std::string_view::npos) Begin(stray_text, stray_line);
}

void GameList::IndexDhtmlXq() {
  std::string_view bytes = bytes_;
  size_t at = bytes.find("[DhtmlXQ]");
  if (at == std::string_view::npos) at = bytes.find("[DhtmlXQ_");
  size_t counted = 0;
  int line = 1;
  for (; at != std::string_view::npos; at = bytes.find("[DhtmlXQ]", at + 1)) {
    line = LineAt(bytes.substr(counted), at - counted, line);
    counted = at;
    Begin(at, line);
  }
}

int GameList::Line(size_t index) const {
  if (format_ == RecordFormat::kXqf) return 0;
  size_t checkpoint = index / kCheckpoint;
  size_t from = begins_.at(checkpoint * kCheckpoint);
  return LineAt(std::string_view(bytes_).substr(from), begins_.at(index) - from,
                lines_.at(checkpoint));
}

std::string_view GameList::Span(size_t index) const {
  size_t begin = begins_.at(index);
  size_t end = index + 1 < begins_.size() ? begins_[index + 1] : bytes_.size();
  return std::string_view(bytes_).substr(begin, end - begin);
}

std::string GameList::Decoded(size_t index, std::vector<ReadError>& problems) const {
  size_t bad = 0;
  std::string_view span = Span(index);
  std::string text = DecodeSpan(span, encoding_, &bad);
  if (bad != std::string_view::npos)
    problems.push_back(ReadError{LineAt(span, bad, Line(index)), std::string(NotText())});
  return text;
}

GameSummary GameList::Summary(size_t index) const {
  if (format_ == RecordFormat::kPgn) {
    std::vector<ReadError> problems;
    std::string text = Decoded(index, problems);
    GameSummary summary = SummarizePgnGame(text, Line(index));
    summary.problems.insert(summary.problems.begin(), problems.begin(), problems.end());
    return summary;
  }
  GameSummary summary;
  summary.line = Line(index);
  ReadError error;
  if (auto game = Game(index, &error)) {
    summary.tags = game->tree.tags;
    summary.plies = int(game->tree.MainLine().size());
    summary.problems = std::move(game->problems);
  } else {
    summary.problems.push_back(std::move(error));
  }
  return summary;
}

std::optional<OpenedGame> GameList::Game(size_t index, ReadError* error) const {
  if (format_ == RecordFormat::kXqf) return ReadXqf(bytes_, error);
  std::vector<ReadError> problems;
  std::string text = Decoded(index, problems);
  auto game = format_ == RecordFormat::kPgn ? ReadPgnGame(text, Line(index), error)
                                            : ReadDhtmlXq(text, Line(index), error);
  if (game) game->problems.insert(game->problems.begin(), problems.begin(), problems.end());
  return game;
}

}  // namespace record
