// A game as players keep it: the main line and its variations to any depth, a comment before the
// first move and after every move, the marks and NAGs of each move, and the tags in the order the
// file gave them. Node ids stay valid for the tree's life: a removed line is only detached, so
// every edit hands back a Change that takes it back (and that change, applied, hands back the
// redo). A GameCursor walks the tree with the position of the node it stands on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/position.h"
#include "game/record/record_text.h"

namespace record {

// A game's tags in the order of the file; names compare without regard to case.
class PgnTags {
 public:
  std::string Get(std::string_view name) const;  // empty when missing
  bool Has(std::string_view name) const;
  void Set(std::string_view name, std::string value);  // replaces, or adds at the end
  void Remove(std::string_view name);
  // Renames a tag where it stands; nothing when `from` is missing or `to` is already there.
  void Rename(std::string_view from, std::string_view to);
  const std::vector<std::pair<std::string, std::string>>& All() const { return tags_; }
  size_t Size() const { return tags_.size(); }
  friend bool operator==(const PgnTags&, const PgnTags&) = default;

 private:
  std::vector<std::pair<std::string, std::string>> tags_;
};

// Tag names compare this way everywhere: ASCII letters without regard to case.
bool SameTagName(std::string_view a, std::string_view b);

// One of the common tags under the names files give it: Red is also XBoard's White and 红方,
// Black 黑方, Event 赛事, Site 地点, Date 日期, Round 轮次, Opening 开局. Empty when missing.
std::string CommonTag(const PgnTags& tags, std::string_view name);
// The common name of a tag name given as one of those ("红方" → "Red"), or the name itself.
std::string_view CommonTagName(std::string_view name);

// The move marks as NAGs, the way PGN numbers them: ! $1, ? $2, !! $3, ?? $4, !? $5, ?! $6.
std::optional<uint8_t> MarkNag(std::string_view mark);
std::string_view NagMark(uint8_t nag);  // "" for NAGs that are not marks

// The round the start position counts from (the FEN's move number).
int StartRound(const engine::Position& start);

using NodeId = uint32_t;
inline constexpr NodeId kRootNode = 0;
inline constexpr NodeId kNoNode = UINT32_MAX;

struct GameNode {
  engine::Move move = engine::kNoMove;  // the move that led here; none at the root
  NodeId parent = kNoNode;
  int ply = 0;                          // moves from the start
  std::vector<NodeId> children;         // the first is the main continuation
  std::string comment;                  // after the move (the root's: before the first move)
  std::string before;                   // before the move, where a variation opens with a comment
  std::vector<uint8_t> nags;            // marks and NAGs, in the file's order
  bool detached = false;                // taken out of the tree (and kept for undo)
};

// The comments of a move as one text, for formats with one comment a move: the one before it on a
// line of its own, then the one after.
std::string JoinedComment(const GameNode& node);

class GameTree;

// What one edit changed, enough to take it back: GameTree::Apply(change) undoes it and returns
// the change that redoes it.
struct Change {
  enum class Kind : uint8_t { kNothing, kAttach, kDetach, kOrder, kComment, kNags, kInfo };
  Kind kind = Kind::kNothing;
  NodeId node = kNoNode;    // kAttach, kDetach: the line's first node; kComment, kNags: the node
  NodeId parent = kNoNode;  // kAttach, kDetach: where the line hangs
  size_t index = 0;         // kAttach, kDetach: its place among the parent's children
  std::vector<std::pair<NodeId, std::vector<NodeId>>> orders;  // kOrder: children to put back
  std::string text;                                            // kComment
  std::vector<uint8_t> nags;                                   // kNags
  PgnTags tags;                                                // kInfo
  std::string result;                                          // kInfo
};

class GameTree {
 public:
  explicit GameTree(engine::Position start = engine::Position());

  const engine::Position& Start() const { return start_; }
  PgnTags tags;
  std::string result = "*";  // "1-0", "0-1", "1/2-1/2" or "*"

  const GameNode& At(NodeId id) const { return nodes_.at(id); }
  const std::vector<NodeId>& Children(NodeId id) const { return At(id).children; }
  NodeId Parent(NodeId id) const { return At(id).parent; }
  bool Attached(NodeId id) const;  // reachable from the root
  size_t NodeCount() const { return nodes_.size(); }  // detached ones too

  // The node's moves from the start, the position there, and the main line's nodes (following
  // first children from the root, the root left out).
  std::vector<engine::Move> MovesTo(NodeId id) const;
  engine::Position PositionAt(NodeId id) const;
  std::vector<NodeId> MainLine() const;
  // The last node of the line from `id` following first children.
  NodeId LineEnd(NodeId id) const;
  // The first node of the variation that holds `id`: the nearest of it and its ancestors that is
  // not its parent's first child; the root for a node of the main line.
  NodeId VariationStart(NodeId id) const;

  // For readers building a tree, which hold the position and keep the file's order: a child for
  // a move the caller has checked to be legal at `at` (or, for a game played by simpler rules,
  // at least pseudo-legal; a child with the same move is not looked for), and text and marks
  // added to a node. Not undoable.
  NodeId AppendChild(NodeId at, engine::Move move);
  void AddComment(NodeId id, std::string_view text);  // after what is there, a space between
  void AddBefore(NodeId id, std::string_view text);
  void AddNag(NodeId id, uint8_t nag) { nodes_.at(id).nags.push_back(nag); }

  // A move played at `at`: the child with that move when there is one, else a new last child
  // (a variation when `at` had a continuation already). Nothing for a move that is not legal.
  struct Added {
    NodeId node;
    bool created;
    Change undo;  // kNothing when the child was there already
  };
  std::optional<Added> AddMove(NodeId at, engine::Move move);
  // The same with the position at `at` given, which a caller that follows the line has at hand.
  std::optional<Added> AddMove(NodeId at, engine::Move move, const engine::Position& there);

  // 升为主线: every variation on the way from the root to `id` becomes its parent's first child.
  Change PromoteToMainLine(NodeId id);
  // 删除此变 and 删除后续着法: takes out the line `id` starts, with everything after it (not the
  // root).
  Change Remove(NodeId id);
  Change SetComment(NodeId id, std::string text);
  Change SetNags(NodeId id, std::vector<uint8_t> nags);
  Change SetInfo(PgnTags new_tags, std::string new_result);

  // Undoes `change` and returns the change that redoes it.
  Change Apply(const Change& change);

 private:
  engine::Position start_;
  std::vector<GameNode> nodes_;
};

// A game read from a file: the tree holds everything read, and `problems` says what could not
// be (a move that is not legal there and the rest of its line, a comment left open, ...), each
// at its line.
struct OpenedGame {
  GameTree tree;
  std::vector<ReadError> problems;
};

// Where two trees differ (tags and their order, result, start, every node's move, comments,
// marks and children, from the root), in words; empty when they are the same game.
std::string FirstDifference(const GameTree& a, const GameTree& b);

// A place in a tree and the position there, kept as it steps, for replaying a game.
class GameCursor {
 public:
  explicit GameCursor(GameTree tree);

  const GameTree& Tree() const { return tree_; }
  NodeId Current() const { return current_; }
  const engine::Position& Position() const { return position_; }

  bool Forward(size_t child = 0);  // to a child of the current node (0: the main continuation)
  bool Back();                     // to the parent
  void GoTo(NodeId node);          // any attached node
  void ToStart() { GoTo(kRootNode); }
  void ToLineEnd() { GoTo(tree_.LineEnd(current_)); }

  // A move made at the current node: follows the child with that move or adds a variation, and
  // steps there. Nothing for a move that is not legal here.
  std::optional<Change> Play(engine::Move move);
  // The edits of the tree, kept consistent with the cursor: after a removal or an undo that
  // takes out the node it stands on, it stands on the nearest node left.
  Change PromoteToMainLine() { return tree_.PromoteToMainLine(current_); }
  std::optional<Change> RemoveVariation();  // the variation holding the current node
  Change SetComment(std::string text) { return tree_.SetComment(current_, std::move(text)); }
  Change SetInfo(PgnTags tags, std::string result) {
    return tree_.SetInfo(std::move(tags), std::move(result));
  }
  Change Apply(const Change& change);

 private:
  void StandOnAttached();

  GameTree tree_;
  NodeId current_ = kRootNode;
  engine::Position position_;
};

}  // namespace record
