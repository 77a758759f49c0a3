#include "game/outside/engine_lines.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <limits>

#include "engine/text_fields.h"

namespace outside {

namespace {

// An engine's number, a '+' before it allowed, within what `Int` holds.
template <typename Int>
std::optional<Int> Number(std::string_view word) {
  if (!word.empty() && word[0] == '+') word.remove_prefix(1);
  const std::optional<int64_t> value =
      engine::ParseNumber(word, std::numeric_limits<Int>::min(), std::numeric_limits<Int>::max());
  return value ? std::optional<Int>(Int(*value)) : std::nullopt;
}

std::string Joined(const std::vector<std::string_view>& words, size_t from, size_t to) {
  std::string text;
  for (size_t i = from; i < to; ++i) {
    if (i > from) text += ' ';
    text += words[i];
  }
  return text;
}

bool OneOf(std::string_view word, std::initializer_list<std::string_view> set) {
  return std::find(set.begin(), set.end(), word) != set.end();
}

// A square "h2" / "a10"; returns the characters used, 0 if none.
size_t ParseSquare(std::string_view text, Numbering numbering, int& square) {
  if (text.empty()) return 0;
  char file = static_cast<char>(text[0] | 0x20);
  if (file < 'a' || file > 'i') return 0;
  size_t used = 1;
  int rank = 0;
  while (used < text.size() && used < 3 && text[used] >= '0' && text[used] <= '9')
    rank = rank * 10 + (text[used++] - '0');
  if (used == 1) return 0;
  if (numbering == Numbering::kFromOne) --rank;
  if (rank < 0 || rank > 9) return 0;
  // "h02" and, counting from zero, two-digit ranks are not squares.
  if (used == 3 && (text[1] == '0' || numbering == Numbering::kFromZero)) return 0;
  square = rank * 9 + (file - 'a');
  return used;
}

// UCCI has no word for a mate: its engines say one with their mate value less the plies to it.
// ElephantEye, whose values the protocol's other engines follow, mates at 10000 and keeps the
// hundred below for mates (the next hundred are wins by the rules against perpetual checks, not
// mates); ours mates at 30000 within its 128 plies. A mated side to move reads -10000 (-30000):
// mated already.
struct MateValue {
  int value, plies;
};
constexpr MateValue kUcciMates[] = {{10000, 100}, {30000, 128}};

void UcciScore(int score, InfoText& info) {
  const int size = score == INT_MIN ? INT_MAX : std::abs(score);
  for (MateValue mate : kUcciMates) {
    if (size <= mate.value && size > mate.value - mate.plies) {
      const int plies = mate.value - size;
      // The mating side moves on the first ply and every second one after it.
      info.mate = score > 0 ? std::max((plies + 1) / 2, 1) : -(plies / 2);
      return;
    }
  }
  info.score_cp = score;
}

}  // namespace

std::optional<engine::Move> ParseEngineMove(std::string_view text, Numbering numbering) {
  int from = 0, to = 0;
  size_t used = ParseSquare(text, numbering, from);
  if (used == 0) return std::nullopt;
  size_t more = ParseSquare(text.substr(used), numbering, to);
  if (more == 0 || used + more != text.size() || from == to) return std::nullopt;
  return engine::Move{static_cast<uint8_t>(from), static_cast<uint8_t>(to)};
}

std::string FormatEngineMove(engine::Move move, Numbering numbering) {
  int shift = numbering == Numbering::kFromOne ? 1 : 0;
  std::string text;
  for (int square : {int(move.from), int(move.to)}) {
    text += static_cast<char>('a' + engine::FileOf(square));
    text += std::to_string(engine::RankOf(square) + shift);
  }
  return text;
}

std::optional<Numbering> NumberingShownBy(std::string_view move) {
  const bool from_zero = ParseEngineMove(move, Numbering::kFromZero).has_value();
  const bool from_one = ParseEngineMove(move, Numbering::kFromOne).has_value();
  if (from_zero == from_one) return std::nullopt;
  return from_zero ? Numbering::kFromZero : Numbering::kFromOne;
}

std::optional<Numbering> NumberingOfLine(const engine::Position& position,
                                         const std::vector<std::string>& moves) {
  for (const std::string& move : moves)
    if (auto shown = NumberingShownBy(move)) return shown;
  auto legal_moves = [&](Numbering numbering) {
    engine::Position walk = position;
    size_t count = 0;
    for (const std::string& text : moves) {
      auto move = ParseEngineMove(text, numbering);
      if (!move || !walk.IsLegal(*move)) break;
      walk.MakeMove(*move);
      ++count;
    }
    return count;
  };
  const size_t from_zero = legal_moves(Numbering::kFromZero);
  const size_t from_one = legal_moves(Numbering::kFromOne);
  if (from_zero == moves.size() && from_one < moves.size()) return Numbering::kFromZero;
  if (from_one == moves.size() && from_zero < moves.size()) return Numbering::kFromOne;
  return std::nullopt;
}

Numbering NumberingForName(std::string_view engine_name) {
  std::string lower(engine_name);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
  for (const char* counts_from_one : {"fairy-stockfish", "fairy stockfish", "sjaak"})
    if (lower.find(counts_from_one) != std::string::npos) return Numbering::kFromOne;
  return Numbering::kFromZero;
}

std::optional<EngineOption> ParseOptionLine(std::string_view line, Protocol protocol) {
  auto words = engine::SplitWords(line);
  if (words.size() < 2 || words[0] != "option") return std::nullopt;
  size_t i = 1;
  if (protocol != Protocol::kUcci && words[1] == "name") i = 2;
  auto keyword = [](std::string_view w) {
    return OneOf(w, {"type", "default", "min", "max", "var", "label"});
  };
  size_t name_end = i;
  while (name_end < words.size() && !keyword(words[name_end])) ++name_end;
  if (name_end == i) return std::nullopt;
  EngineOption option;
  option.name = Joined(words, i, name_end);
  i = name_end;
  while (i < words.size()) {
    std::string_view key = words[i++];
    size_t end = i;
    while (end < words.size() && !keyword(words[end])) ++end;
    std::string value = Joined(words, i, end);
    if (key == "type")
      option.type = value;
    else if (key == "default")
      option.default_value = value;
    else if (key == "min")
      option.min = Number<long long>(value);
    else if (key == "max")
      option.max = Number<long long>(value);
    else if (key == "var")
      option.vars.push_back(value);
    i = end;
  }
  if (option.default_value == "<empty>") option.default_value.clear();
  return option;
}

std::optional<InfoText> ParseInfoLine(std::string_view line, Protocol protocol) {
  auto words = engine::SplitWords(line);
  if (words.empty() || words[0] != "info") return std::nullopt;
  InfoText info;
  for (size_t i = 1; i < words.size(); ++i) {
    std::string_view key = words[i];
    bool has_next = i + 1 < words.size();
    if (key == "string") {
      info.text = Joined(words, i + 1, words.size());
      break;
    } else if (key == "pv") {
      for (size_t j = i + 1; j < words.size(); ++j) info.pv.emplace_back(words[j]);
      break;
    } else if (key == "score" && has_next) {
      std::string_view kind = words[i + 1];
      if ((kind == "cp" || kind == "mate") && i + 2 < words.size()) {
        auto value = Number<int>(words[i + 2]);
        if (value && kind == "cp") info.score_cp = value, info.mate.reset();
        if (value && kind == "mate") info.mate = value, info.score_cp.reset();
        i += 2;
      } else if (auto value = Number<int>(kind)) {
        info.score_cp.reset();  // a later score replaces an earlier one
        info.mate.reset();
        if (protocol == Protocol::kUcci)
          UcciScore(*value, info);
        else
          info.score_cp = value;
        ++i;
      }
    } else if (key == "lowerbound" || key == "upperbound") {
      info.bound = true;
    } else if (has_next && OneOf(key, {"depth", "seldepth", "multipv"})) {
      auto value = Number<int>(words[++i]);
      if (!value) continue;
      if (key == "depth")
        info.depth = value;
      else if (key == "seldepth")
        info.seldepth = value;
      else
        info.multipv = value;
    } else if (has_next && OneOf(key, {"nodes", "nps", "time"})) {
      auto value = Number<int64_t>(words[++i]);
      if (!value) continue;
      if (key == "nodes")
        info.nodes = value;
      else if (key == "nps")
        info.nps = value;
      else
        info.time_ms = value;
    }
  }
  return info;
}

std::optional<BestMoveText> ParseBestMoveLine(std::string_view line) {
  auto words = engine::SplitWords(line);
  if (words.empty()) return std::nullopt;
  if (words[0] == "nobestmove") return BestMoveText{};
  if (words[0] != "bestmove") return std::nullopt;
  BestMoveText best;
  if (words.size() > 1 && !OneOf(words[1], {"(none)", "0000", "none", "resign"}))
    best.move = words[1];
  if (words.size() > 3 && words[2] == "ponder") best.ponder = words[3];
  return best;
}

std::string_view FirstWord(std::string_view line) {
  auto words = engine::SplitWords(line);
  return words.empty() ? std::string_view() : words[0];
}

}  // namespace outside
