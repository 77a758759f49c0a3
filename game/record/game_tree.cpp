#include "game/record/game_tree.h"

#include <algorithm>

#include "engine/text_fields.h"

namespace record {

// ---------------------------------------------------------------- tags

bool SameTagName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string PgnTags::Get(std::string_view name) const {
  for (const auto& [n, v] : tags_)
    if (SameTagName(n, name)) return v;
  return {};
}

bool PgnTags::Has(std::string_view name) const {
  for (const auto& tag : tags_)
    if (SameTagName(tag.first, name)) return true;
  return false;
}

void PgnTags::Set(std::string_view name, std::string value) {
  for (auto& [n, v] : tags_)
    if (SameTagName(n, name)) {
      v = std::move(value);
      return;
    }
  tags_.emplace_back(std::string(name), std::move(value));
}

void PgnTags::Remove(std::string_view name) {
  std::erase_if(tags_, [&](const auto& tag) { return SameTagName(tag.first, name); });
}

void PgnTags::Rename(std::string_view from, std::string_view to) {
  if (Has(to)) return;
  for (auto& tag : tags_)
    if (SameTagName(tag.first, from)) {
      tag.first = std::string(to);
      return;
    }
}

namespace {

constexpr std::pair<std::string_view, std::string_view> kAliases[] = {
    {"Red", "White"}, {"Red", "红方"},   {"Black", "黑方"},   {"Event", "赛事"}, {"Site", "地点"},
    {"Date", "日期"}, {"Round", "轮次"}, {"Opening", "开局"}, {"Result", "结果"}};

}  // namespace

std::string CommonTag(const PgnTags& tags, std::string_view name) {
  std::string value = tags.Get(name);
  for (const auto& [common, alias] : kAliases)
    if (value.empty() && SameTagName(common, name)) value = tags.Get(alias);
  return value;
}

std::string_view CommonTagName(std::string_view name) {
  for (const auto& [common, alias] : kAliases)
    if (SameTagName(alias, name)) return common;
  return name;
}

std::optional<uint8_t> MarkNag(std::string_view mark) {
  static constexpr std::string_view kMarks[] = {"!", "?", "!!", "??", "!?", "?!"};
  for (size_t i = 0; i < std::size(kMarks); ++i)
    if (mark == kMarks[i]) return uint8_t(i + 1);
  return std::nullopt;
}

std::string_view NagMark(uint8_t nag) {
  static constexpr std::string_view kMarks[] = {"", "!", "?", "!!", "??", "!?", "?!"};
  return nag < std::size(kMarks) ? kMarks[nag] : "";
}

int StartRound(const engine::Position& start) {
  std::string fen = start.Fen();
  size_t space = fen.rfind(' ');
  auto round = engine::ParseNumber(std::string_view(fen).substr(space + 1), 1, 1 << 20);
  return round ? int(*round) : 1;
}

std::string JoinedComment(const GameNode& node) {
  std::string text = node.before;
  if (!text.empty() && !node.comment.empty()) text += '\n';
  return text + node.comment;
}

// ---------------------------------------------------------------- the tree

GameTree::GameTree(engine::Position start) : start_(std::move(start)) {
  nodes_.emplace_back();
}

bool GameTree::Attached(NodeId id) const {
  for (; id != kRootNode; id = nodes_.at(id).parent)
    if (nodes_.at(id).detached) return false;
  return true;
}

std::vector<engine::Move> GameTree::MovesTo(NodeId id) const {
  std::vector<engine::Move> moves;
  for (; id != kRootNode; id = nodes_.at(id).parent) moves.push_back(nodes_.at(id).move);
  std::reverse(moves.begin(), moves.end());
  return moves;
}

engine::Position GameTree::PositionAt(NodeId id) const {
  engine::Position pos = start_;
  engine::MakeLegalMoves(pos, MovesTo(id));
  return pos;
}

std::vector<NodeId> GameTree::MainLine() const {
  std::vector<NodeId> line;
  for (NodeId id = kRootNode; !nodes_[id].children.empty();) {
    id = nodes_[id].children.front();
    line.push_back(id);
  }
  return line;
}

NodeId GameTree::LineEnd(NodeId id) const {
  while (!nodes_.at(id).children.empty()) id = nodes_[id].children.front();
  return id;
}

NodeId GameTree::VariationStart(NodeId id) const {
  for (; id != kRootNode; id = nodes_.at(id).parent)
    if (nodes_[nodes_[id].parent].children.front() != id) return id;
  return kRootNode;
}

NodeId GameTree::AppendChild(NodeId at, engine::Move move) {
  GameNode node;
  node.move = move;
  node.parent = at;
  node.ply = nodes_.at(at).ply + 1;
  NodeId id = NodeId(nodes_.size());
  nodes_.push_back(std::move(node));
  nodes_[at].children.push_back(id);
  return id;
}

namespace {

void Append(std::string& to, std::string_view text) {
  if (text.empty()) return;
  if (!to.empty()) to += ' ';
  to += text;
}

}  // namespace

void GameTree::AddComment(NodeId id, std::string_view text) {
  Append(nodes_.at(id).comment, text);
}

void GameTree::AddBefore(NodeId id, std::string_view text) {
  Append(nodes_.at(id).before, text);
}

std::optional<GameTree::Added> GameTree::AddMove(NodeId at, engine::Move move) {
  for (NodeId child : nodes_.at(at).children)
    if (nodes_[child].move == move) return Added{child, false, Change{}};
  return AddMove(at, move, PositionAt(at));
}

std::optional<GameTree::Added> GameTree::AddMove(NodeId at, engine::Move move,
                                                 const engine::Position& there) {
  for (NodeId child : nodes_.at(at).children)
    if (nodes_[child].move == move) return Added{child, false, Change{}};
  if (!there.IsLegal(move)) return std::nullopt;
  NodeId id = AppendChild(at, move);
  Change undo;
  undo.kind = Change::Kind::kDetach;
  undo.node = id;
  undo.parent = at;
  undo.index = nodes_[at].children.size() - 1;
  return Added{id, true, std::move(undo)};
}

Change GameTree::PromoteToMainLine(NodeId id) {
  if (!Attached(id)) return Change{};
  Change undo;
  undo.kind = Change::Kind::kOrder;
  for (; id != kRootNode; id = nodes_.at(id).parent) {
    std::vector<NodeId>& siblings = nodes_[nodes_[id].parent].children;
    auto place = std::find(siblings.begin(), siblings.end(), id);
    if (place == siblings.begin()) continue;
    undo.orders.emplace_back(nodes_[id].parent, siblings);
    std::rotate(siblings.begin(), place, place + 1);
  }
  if (undo.orders.empty()) return Change{};
  return undo;
}

Change GameTree::Remove(NodeId id) {
  if (id == kRootNode || !Attached(id)) return Change{};
  Change detach;
  detach.kind = Change::Kind::kDetach;
  detach.node = id;
  detach.parent = nodes_[id].parent;
  const std::vector<NodeId>& siblings = nodes_[detach.parent].children;
  detach.index = size_t(std::find(siblings.begin(), siblings.end(), id) - siblings.begin());
  return Apply(detach);
}

Change GameTree::SetComment(NodeId id, std::string text) {
  Change change;
  change.kind = Change::Kind::kComment;
  change.node = id;
  change.text = std::move(text);
  return Apply(change);
}

Change GameTree::SetNags(NodeId id, std::vector<uint8_t> nags) {
  Change change;
  change.kind = Change::Kind::kNags;
  change.node = id;
  change.nags = std::move(nags);
  return Apply(change);
}

Change GameTree::SetInfo(PgnTags new_tags, std::string new_result) {
  Change change;
  change.kind = Change::Kind::kInfo;
  change.tags = std::move(new_tags);
  change.result = std::move(new_result);
  return Apply(change);
}

Change GameTree::Apply(const Change& change) {
  Change back = change;
  switch (change.kind) {
    case Change::Kind::kNothing:
      break;
    case Change::Kind::kAttach: {
      std::vector<NodeId>& children = nodes_.at(change.parent).children;
      children.insert(children.begin() + std::ptrdiff_t(std::min(change.index, children.size())),
                      change.node);
      nodes_.at(change.node).detached = false;
      back.kind = Change::Kind::kDetach;
      break;
    }
    case Change::Kind::kDetach: {
      std::erase(nodes_.at(change.parent).children, change.node);
      nodes_.at(change.node).detached = true;
      back.kind = Change::Kind::kAttach;
      break;
    }
    case Change::Kind::kOrder:
      for (auto& [parent, children] : back.orders) std::swap(nodes_.at(parent).children, children);
      break;
    case Change::Kind::kComment:
      std::swap(nodes_.at(change.node).comment, back.text);
      break;
    case Change::Kind::kNags:
      std::swap(nodes_.at(change.node).nags, back.nags);
      break;
    case Change::Kind::kInfo:
      std::swap(tags, back.tags);
      std::swap(result, back.result);
      break;
  }
  return back;
}

std::string FirstDifference(const GameTree& a, const GameTree& b) {
  if (!(a.tags == b.tags)) return "the tags differ";
  if (a.result != b.result) return "the result: " + a.result + " / " + b.result;
  if (a.Start().Fen() != b.Start().Fen()) return "the start: " + a.Start().Fen() + " / " +
                                                 b.Start().Fen();
  std::vector<std::pair<NodeId, NodeId>> stack{{kRootNode, kRootNode}};
  while (!stack.empty()) {
    auto [x, y] = stack.back();
    stack.pop_back();
    const GameNode &p = a.At(x), &q = b.At(y);
    std::string where = "at ply " + std::to_string(p.ply) + " (" + engine::ToIccs(p.move) + ")";
    if (p.move != q.move) return where + ": the move " + engine::ToIccs(q.move);
    if (p.comment != q.comment) return where + ": the comment {" + p.comment + "} / {" +
                                       q.comment + "}";
    if (p.before != q.before) return where + ": the comment before {" + p.before + "} / {" +
                                     q.before + "}";
    if (p.nags != q.nags) return where + ": the marks";
    if (p.children.size() != q.children.size())
      return where + ": " + std::to_string(p.children.size()) + " / " +
             std::to_string(q.children.size()) + " continuations";
    for (size_t i = 0; i < p.children.size(); ++i) stack.emplace_back(p.children[i], q.children[i]);
  }
  return {};
}

// ---------------------------------------------------------------- the cursor

GameCursor::GameCursor(GameTree tree) : tree_(std::move(tree)), position_(tree_.Start()) {}

bool GameCursor::Forward(size_t child) {
  const std::vector<NodeId>& children = tree_.Children(current_);
  if (child >= children.size()) return false;
  current_ = children[child];
  position_.MakeMove(tree_.At(current_).move);
  return true;
}

bool GameCursor::Back() {
  if (current_ == kRootNode) return false;
  current_ = tree_.Parent(current_);
  position_.UnmakeMove();
  return true;
}

void GameCursor::GoTo(NodeId node) {
  if (node == current_ || !tree_.Attached(node)) return;
  if (node == tree_.Parent(current_)) {
    Back();
    return;
  }
  current_ = node;
  position_ = tree_.PositionAt(node);
}

std::optional<Change> GameCursor::Play(engine::Move move) {
  auto added = tree_.AddMove(current_, move);
  if (!added) return std::nullopt;
  current_ = added->node;
  position_.MakeMove(move);
  return std::move(added->undo);
}

std::optional<Change> GameCursor::RemoveVariation() {
  NodeId start = tree_.VariationStart(current_);
  if (start == kRootNode) return std::nullopt;
  Change undo = tree_.Remove(start);
  StandOnAttached();
  return undo;
}

Change GameCursor::Apply(const Change& change) {
  Change redo = tree_.Apply(change);
  StandOnAttached();
  return redo;
}

void GameCursor::StandOnAttached() {
  NodeId node = current_;
  while (!tree_.Attached(node)) node = tree_.Parent(node);
  GoTo(node);
}

}  // namespace record
