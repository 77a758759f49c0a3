#include "game/record/dhtmlxq.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "engine/text_fields.h"
#include "game/record/piece_places.h"
#include "game/record/pgn_lexer.h"

namespace record {

namespace {

constexpr std::pair<std::string_view, std::string_view> kFieldTags[] = {
    {"title", "Title"},         {"event", "Event"},         {"date", "Date"},
    {"place", "Site"},          {"round", "Round"},         {"table", "Table"},
    {"red", "Red"},             {"redteam", "RedTeam"},     {"redtime", "RedTime"},
    {"black", "Black"},         {"blackteam", "BlackTeam"}, {"blacktime", "BlackTime"},
    {"open", "Opening"},        {"ecco", "ECCO"},           {"author", "Author"},
    {"remark", "Remark"},
};

// Fields that hold the game itself, never a tag (their names in any case).
bool IsGameField(std::string_view key) {
  for (std::string_view field : {"binit", "movelist", "fen", "result"})
    if (SameTagName(key, field)) return true;
  return SameTagName(key.substr(0, 5), "move_") || SameTagName(key.substr(0, 7), "comment");
}

std::string_view TagOfField(std::string_view key) {
  for (const auto& [field, tag] : kFieldTags)
    if (SameTagName(key, field)) return tag;
  return key;
}

std::string_view FieldOfTag(std::string_view tag) {
  for (const auto& [field, name] : kFieldTags)
    if (SameTagName(tag, name)) return field;
  return tag;
}

// Digits of a field, as a number; nothing for anything else.
std::optional<int> Number(std::string_view text) {
  auto n = engine::ParseNumber(text, 0, 1 << 20);
  return n ? std::optional<int>(int(*n)) : std::nullopt;
}

// A field's text: "||" is a new line, \uXXXX a character.
std::string FieldText(std::string_view raw) {
  std::string lines;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw.substr(i).starts_with("||")) {
      lines += '\n';
      ++i;
    } else {
      lines += raw[i];
    }
  }
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    uint32_t cp = 0;
    bool escape = lines.substr(i).starts_with("\\u") && i + 6 <= lines.size();
    for (size_t k = i + 2; escape && k < i + 6; ++k) {
      char ch = lines[k];
      int digit = ch >= '0' && ch <= '9'   ? ch - '0'
                  : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                  : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                           : -1;
      escape = digit >= 0;
      cp = cp << 4 | uint32_t(digit);
    }
    if (!escape || cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += lines[i];
      continue;
    }
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | cp >> 6), out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xE0 | cp >> 12), out += char(0x80 | (cp >> 6 & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
    i += 5;
  }
  return UnixLines(out);
}

// A text for a field, the other way round.
std::string FieldValue(std::string_view text) {
  std::string lines = UnixLines(text);
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    char ch = lines[i];
    auto next_to = [&](char other) {
      return (i > 0 && lines[i - 1] == other) || (i + 1 < lines.size() && lines[i + 1] == other);
    };
    if (ch == '\n')
      out += "||";
    else if (ch == '|' && (next_to('|') || next_to('\n')))
      out += "\\u007C";
    else if (ch == '\\')
      out += "\\u005C";
    else if (ch == '[')
      out += "\\u005B";
    else
      out += ch;
  }
  return out;
}

struct Field {
  std::string key;
  std::string_view raw;
  int line;
};

// The fields of a block, in their order, up to [/DhtmlXQ]. A field ends at its closing tag;
// one without it at the first of another field's closing tag, the next field and its line's end
// (the way pages are read), so that no text is looked through more than a few times.
std::vector<Field> FieldsOf(std::string_view text, int first_line,
                            std::vector<ReadError>& problems) {
  static constexpr std::string_view kOpen = "[DhtmlXQ_", kClose = "[/DhtmlXQ_";
  const size_t end = std::min(text.find("[/DhtmlXQ]"), text.size());
  std::vector<size_t> closings;
  for (size_t at = text.find(kClose); at < end; at = text.find(kClose, at + 1)) closings.push_back(at);
  closings.push_back(end);
  auto problem = [&problems](int line, std::string reason) {
    if (problems.size() < 20) problems.push_back({line, std::move(reason)});
  };
  std::vector<Field> fields;
  size_t next_closing = 0, counted = 0;
  int line = first_line;
  for (size_t open = text.find(kOpen); open < end; open = text.find(kOpen, open + 1)) {
    line = LineAt(text.substr(counted), open - counted, line);
    counted = open;
    size_t name = open + kOpen.size();
    std::string_view head = text.substr(name, 64);
    size_t close = head.find(']');
    std::string_view key = close == std::string_view::npos ? "" : head.substr(0, close);
    if (key.empty() || key.find_first_of(" \t\r\n\"[") != std::string_view::npos) {
      problem(line, "DhtmlXQ 的字段没有名字");
      continue;
    }
    size_t value = name + close + 1;
    while (closings[next_closing] < value) ++next_closing;
    size_t closing_at = closings[next_closing];
    std::string closing = std::string(kClose).append(key).append("]");
    size_t stop = closing_at, resume = closing_at + closing.size();
    if (!text.substr(closing_at).starts_with(closing)) {
      size_t next_open = std::min(text.find(kOpen, value), closing_at);
      stop = std::min(text.substr(0, next_open).find('\n', value), next_open);
      resume = stop;
      problem(line, "字段 DhtmlXQ_" + std::string(key) + " 没有结束的 [/DhtmlXQ_" + std::string(key) + "]");
    }
    fields.push_back({std::string(key), text.substr(value, stop - value), line});
    open = std::max(open, std::min(resume, text.size()) - 1);
  }
  return fields;
}

// Four digits a move: column and row of the from square, then of the to square, rows from the
// top.
std::optional<engine::Move> MoveOf(std::string_view digits) {
  auto square = [](char column, char row) { return ('9' - row) * 9 + (column - '0'); };
  for (size_t i = 0; i < 4; ++i)
    if (digits[i] < '0' || digits[i] > '9' || ((i % 2 == 0) && digits[i] == '9')) return std::nullopt;
  return engine::Move{uint8_t(square(digits[0], digits[1])), uint8_t(square(digits[2], digits[3]))};
}

std::string DigitsOf(engine::Move move) {
  auto pair = [](int square) {
    return std::string{char('0' + engine::FileOf(square)), char('9' - engine::RankOf(square))};
  };
  return pair(move.from) + pair(move.to);
}

// A line of moves, its first move's ply and the nodes it made, with the position written small
// (a FEN) where it starts and after every 32nd of its moves, so that a variation leaving it
// finds its position without replaying the game.
struct Branch {
  static constexpr size_t kEvery = 32;
  int parent = 0;       // the line it leaves
  int first_ply = 1;
  NodeId at = kRootNode;  // the node it leaves from
  std::string start;      // the position at `at`
  std::vector<NodeId> nodes;
  std::vector<std::string> after;  // after nodes[0], nodes[kEvery], ...
};

// A node and the position there.
struct Place {
  NodeId node;
  engine::Position pos;
};

class BlockReader {
 public:
  BlockReader(OpenedGame& game) : game_(game), tree_(game.tree) {}

  // Plays a field's moves from `from` as a new line.
  void Play(int id, int parent, Place from, std::string_view raw, int line) {
    Branch& branch = branches_[id];
    branch = Branch{};  // a number given twice: the later line answers to it
    branch.parent = parent;
    branch.at = from.node;
    branch.first_ply = tree_.At(from.node).ply + 1;
    branch.start = from.pos.Fen();
    std::string digits;
    for (char ch : raw)
      if (ch >= '0' && ch <= '9') digits += ch;
    NodeId at = from.node;
    engine::Position& pos = from.pos;
    for (size_t i = 0; i + 4 <= digits.size(); i += 4) {
      auto move = MoveOf(std::string_view(digits).substr(i, 4));
      if (!move || !pos.IsLegal(*move)) {
        Problem(line, "着法 " + digits.substr(i, 4) + " 不合规则");
        tree_.AddComment(at, "未读：" + digits.substr(i));
        return;
      }
      at = tree_.AppendChild(at, *move);
      pos.MakeMove(*move);
      if (branch.nodes.size() % Branch::kEvery == 0) branch.after.push_back(pos.Fen());
      branch.nodes.push_back(at);
    }
    if (digits.size() % 4 != 0) Problem(line, "着法 " + digits.substr(digits.size() / 4 * 4) + " 不完整");
  }

  // The node before line `id`'s move at `ply` and the position there, going up to the lines it
  // leaves from.
  std::optional<Place> Before(int id, int ply) {
    for (int step = 0; step < 64; ++step) {
      auto found = branches_.find(id);
      if (found == branches_.end()) return std::nullopt;
      const Branch& branch = found->second;
      int index = ply - 1 - branch.first_ply;
      if (index == -1) return Place{branch.at, *engine::Position::FromFen(branch.start)};
      if (index >= 0 && index < int(branch.nodes.size())) {
        size_t from = size_t(index) / Branch::kEvery * Branch::kEvery;
        engine::Position pos = *engine::Position::FromFen(branch.after[from / Branch::kEvery]);
        std::vector<engine::Move> moves;
        for (size_t k = from + 1; k <= size_t(index); ++k) moves.push_back(tree_.At(branch.nodes[k]).move);
        engine::MakeLegalMoves(pos, moves);
        return Place{branch.nodes[size_t(index)], std::move(pos)};
      }
      if (index >= 0 || id == 0) return std::nullopt;
      id = branch.parent;
    }
    return std::nullopt;
  }

  std::optional<NodeId> NodeAt(int id, int ply) {
    if (id == 0 && ply == 0) return kRootNode;
    auto found = branches_.find(id);
    if (found == branches_.end()) return std::nullopt;
    int index = ply - found->second.first_ply;
    if (index < 0 || index >= int(found->second.nodes.size())) return std::nullopt;
    return found->second.nodes[size_t(index)];
  }

  void Problem(int line, std::string reason) {
    if (game_.problems.size() < 20) game_.problems.push_back({line, std::move(reason)});
  }

 private:
  OpenedGame& game_;
  GameTree& tree_;
  std::map<int, Branch> branches_;
};

std::optional<engine::Position> StartOf(const std::vector<Field>& fields, std::string* why) {
  std::string_view binit, movelist, fen;
  for (const Field& field : fields) {
    if (SameTagName(field.key, "binit")) binit = engine::Trim(field.raw);
    if (SameTagName(field.key, "movelist")) movelist = engine::Trim(field.raw);
    if (SameTagName(field.key, "fen")) fen = engine::Trim(field.raw);
  }
  if (!fen.empty())
    if (auto pos = engine::Position::FromFen(fen)) return pos;
  if (!binit.empty() && binit.size() < 64) {
    *why = "binit 不到 64 个数字";
    return std::nullopt;
  }
  PiecePlaces places = PlacesOf(engine::Position());
  for (size_t slot = 0; slot < 32 && !binit.empty(); ++slot) {
    char column = binit[2 * slot], row = binit[2 * slot + 1];
    bool on_board = column >= '0' && column <= '8' && row >= '0' && row <= '9';
    places[slot] = on_board ? ('9' - row) * 9 + (column - '0') : -1;
  }
  bool black = false;
  if (movelist.size() >= 4)
    if (auto first = MoveOf(movelist.substr(0, 4)))
      black = BlackAt(places, first->from).value_or(false);
  return PositionOfPlaces(places, black, why);
}

// Result words in the order of PGN's results.
std::string_view ResultWords(std::string_view result) {
  if (result == "1-0") return "红胜";
  if (result == "0-1") return "黑胜";
  if (result == "1/2-1/2") return "和棋";
  return "未知";
}

}  // namespace

std::optional<OpenedGame> ReadDhtmlXq(std::string_view text, int first_line, ReadError* error) {
  OpenedGame game;
  std::vector<Field> fields = FieldsOf(text, first_line, game.problems);
  std::string why;
  auto start = StartOf(fields, &why);
  if (!start) {
    if (error) *error = ReadError{first_line, "DhtmlXQ 的开局不是合规的局面（" + why + "）"};
    return std::nullopt;
  }
  game.tree = GameTree(*start);
  GameTree& tree = game.tree;
  BlockReader reader(game);
  std::vector<std::tuple<int, int, int, const Field*>> variations;  // id, line left, ply
  std::vector<std::tuple<int, int, const Field*>> comments;         // line, ply
  bool main_line = false;
  for (const Field& field : fields) {
    std::string_view key = field.key;
    if (!IsGameField(key)) {
      tree.tags.Set(TagOfField(key), FieldText(field.raw));
    } else if (SameTagName(key, "movelist")) {
      if (!main_line) reader.Play(0, 0, {kRootNode, tree.Start()}, field.raw, field.line);
      main_line = true;
    } else if (SameTagName(key.substr(0, 5), "move_")) {
      std::string_view rest = key.substr(5);
      size_t a = rest.find('_'), b = rest.rfind('_');
      auto parent = Number(rest.substr(0, a));
      auto ply = a != b ? Number(rest.substr(a + 1, b - a - 1)) : std::nullopt;
      auto id = a != b ? Number(rest.substr(b + 1)) : std::nullopt;
      if (parent && ply && id && *id > 0)
        variations.emplace_back(*id, *parent, *ply, &field);
      else
        reader.Problem(field.line, "看不懂的变着 DhtmlXQ_" + field.key);
    } else if (SameTagName(key.substr(0, 7), "comment")) {
      std::string_view rest = key.substr(7);
      size_t split = rest.find('_');
      auto id = split == std::string_view::npos ? std::optional<int>(0) : Number(rest.substr(0, split));
      auto ply = Number(split == std::string_view::npos ? rest : rest.substr(split + 1));
      if (id && ply)
        comments.emplace_back(*id, *ply, &field);
      else
        reader.Problem(field.line, "看不懂的注释 DhtmlXQ_" + field.key);
    } else if (SameTagName(key, "result")) {
      PgnSymbol symbol = ClassifySymbol(engine::Trim(field.raw), TextForms::Of(Encoding::kUtf8));
      if (symbol.kind == PgnSymbol::kResult) tree.result = std::string(symbol.result);
    }
  }
  // A variation leaves a line read before it: the lower numbers first.
  std::sort(variations.begin(), variations.end(),
            [](const auto& x, const auto& y) { return std::get<0>(x) < std::get<0>(y); });
  for (const auto& [id, parent, ply, field] : variations) {
    auto from = reader.Before(parent, ply);
    if (!from) {
      reader.Problem(field->line, "变着 DhtmlXQ_" + field->key + " 找不到它离开的着法");
      continue;
    }
    reader.Play(id, parent, std::move(*from), field->raw, field->line);
  }
  for (const auto& [id, ply, field] : comments) {
    auto node = reader.NodeAt(id, ply);
    if (!node) {
      reader.Problem(field->line, "注释 DhtmlXQ_" + field->key + " 找不到它的着法");
      continue;
    }
    tree.AddComment(*node, FieldText(field->raw));
  }
  return game;
}

std::string WriteDhtmlXq(const GameTree& tree) {
  std::string out = "[DhtmlXQ]\n";
  auto field = [&out](std::string_view key, std::string_view value) {
    out.append("[DhtmlXQ_").append(key).append("]").append(value);
    out.append("[/DhtmlXQ_").append(key).append("]\n");
  };
  bool result_written = false;
  for (const auto& [name, value] : tree.tags.All()) {
    if (SameTagName(name, "Result") && !result_written) {
      field("result", ResultWords(tree.result));
      result_written = true;
    }
    // The start and the result have fields of their own; a tag named like a field of the game
    // has no place in a block.
    std::string_view key = FieldOfTag(name);
    if (!SameTagName(name, "FEN") && !IsGameField(key)) field(key, FieldValue(value));
  }
  if (!result_written) field("result", ResultWords(tree.result));
  const engine::Position& start = tree.Start();
  std::string binit;
  for (int square : PlacesOf(start))
    binit += square < 0 ? std::string("99")
                        : std::string{char('0' + engine::FileOf(square)),
                                      char('9' - engine::RankOf(square))};
  field("binit", binit);
  if (start.Fen() != engine::Position().Fen()) field("fen", start.Fen());

  // The lines: the main one, then each variation as it is found, so that every line is numbered
  // after the one it leaves.
  struct Line {
    int id;
    NodeId first;
  };
  std::vector<Line> lines;
  std::vector<int> line_of(tree.NodeCount(), 0);
  std::vector<NodeId> order{kRootNode};  // the nodes in the order their comments are written
  int next_id = 1;
  auto leave = [&](NodeId from) {
    const std::vector<NodeId>& children = tree.Children(from);
    for (size_t k = 1; k < children.size(); ++k) lines.push_back({next_id++, children[k]});
  };
  if (!tree.Children(kRootNode).empty()) lines.push_back({0, tree.Children(kRootNode)[0]});
  leave(kRootNode);
  std::string variations;
  for (size_t i = 0; i < lines.size(); ++i) {
    Line line = lines[i];
    std::string moves;
    for (NodeId id = line.first;; id = tree.Children(id)[0]) {
      moves += DigitsOf(tree.At(id).move);
      line_of[id] = line.id;
      order.push_back(id);
      leave(id);
      if (tree.Children(id).empty()) break;
    }
    if (line.id == 0) {
      field("movelist", moves);
      continue;
    }
    std::string key = "move_" + std::to_string(line_of[tree.Parent(line.first)]) + "_" +
                      std::to_string(tree.At(line.first).ply) + "_" + std::to_string(line.id);
    variations.append("[DhtmlXQ_").append(key).append("]").append(moves);
    variations.append("[/DhtmlXQ_").append(key).append("]\n");
  }
  out += variations;
  for (NodeId id : order) {
    const GameNode& node = tree.At(id);
    std::string text = JoinedComment(node);
    if (text.empty()) continue;
    std::string ply = std::to_string(node.ply);
    int line = line_of[id];
    field(line == 0 ? "comment" + ply : "comment" + std::to_string(line) + "_" + ply,
          FieldValue(text));
  }
  return out + "[/DhtmlXQ]\n";
}

}  // namespace record
