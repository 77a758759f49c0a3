// The game as a tree: playing moves into it (a new move becomes a variation, a known one is
// followed), 升为主线, 删除此变, comments and tags, each edit undone and redone, and a cursor whose
// position always matches the node it stands on.
#include "game/record/game_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using record::Change;
using record::GameCursor;
using record::GameTree;
using record::kRootNode;
using record::NodeId;

engine::Move M(const char* iccs) {
  return *engine::ParseIccs(iccs);
}

// The tree as text, one line per node in order: its moves from the start, its comment.
std::string Shape(const GameTree& tree) {
  std::string out;
  std::vector<NodeId> stack{kRootNode};
  while (!stack.empty()) {
    NodeId id = stack.back();
    stack.pop_back();
    for (engine::Move m : tree.MovesTo(id)) out += engine::ToIccs(m) + " ";
    out += "{" + tree.At(id).comment + "}\n";
    const auto& children = tree.Children(id);
    for (auto child = children.rbegin(); child != children.rend(); ++child) stack.push_back(*child);
  }
  return out;
}

TEST(GameTree, EditsAreUndoneAndRedone) {
  GameCursor cursor{GameTree()};
  for (const char* m : {"h2e2", "h9g7", "h0g2"}) ASSERT_TRUE(cursor.Play(M(m)));
  const std::string line = Shape(cursor.Tree());
  cursor.ToStart();
  // The recorded move is followed; another becomes a variation and is stood on.
  auto same = cursor.Play(M("h2e2"));
  ASSERT_TRUE(same);
  EXPECT_EQ(same->kind, Change::Kind::kNothing);
  EXPECT_EQ(Shape(cursor.Tree()), line);
  auto added = cursor.Play(M("b9c7"));
  ASSERT_TRUE(added);
  NodeId variation = cursor.Current();
  EXPECT_EQ(cursor.Tree().Children(cursor.Tree().Parent(variation)).size(), 2u);
  EXPECT_FALSE(cursor.Play(M("a0a5")));  // not legal: nothing changes

  struct Edit {
    const char* name;
    Change undo;
  };
  std::vector<Edit> edits;
  edits.push_back({"add", *added});
  cursor.GoTo(variation);
  edits.push_back({"promote", cursor.PromoteToMainLine()});
  EXPECT_EQ(cursor.Tree().MainLine().size(), 2u);
  edits.push_back({"comment", cursor.SetComment("好棋")});
  record::PgnTags tags;
  tags.Set("Event", "练习");
  edits.push_back({"tags", cursor.SetInfo(tags, "1-0")});
  // 删除此变 on the main line takes nothing; after 还原 the old main line is a variation again.
  EXPECT_FALSE(cursor.RemoveVariation());
  Change unpromote = cursor.Apply(edits[1].undo);
  edits[1].undo = cursor.Apply(unpromote);  // redone: promoted again
  cursor.GoTo(cursor.Tree().Children(kRootNode)[0]);
  cursor.Forward(1);  // onto the old main line's second move, now a variation
  auto removed = cursor.RemoveVariation();
  ASSERT_TRUE(removed);
  EXPECT_EQ(cursor.Current(), cursor.Tree().Children(kRootNode)[0]);  // where it left
  edits.push_back({"remove", *removed});

  // Undo everything in turn, newest first: back to the plain line, then redo it all.
  std::vector<std::string> shapes;
  std::vector<Change> redos;
  for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
    shapes.push_back(Shape(cursor.Tree()) + cursor.Tree().result);
    redos.push_back(cursor.Apply(edit->undo));
    EXPECT_EQ(cursor.Position().Fen(), cursor.Tree().PositionAt(cursor.Current()).Fen())
        << edit->name;
  }
  EXPECT_EQ(Shape(cursor.Tree()), line);
  EXPECT_EQ(cursor.Tree().tags.Size(), 0u);
  for (size_t i = redos.size(); i-- > 0;) {
    cursor.Apply(redos[i]);
    EXPECT_EQ(Shape(cursor.Tree()) + cursor.Tree().result, shapes[i])
        << edits[edits.size() - 1 - i].name;
  }
}

TEST(GameTree, TheCursorKeepsThePositionOfItsNode) {
  // A tree of random lines branching from random nodes.
  GameCursor cursor{GameTree()};
  unsigned seed = 5;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  std::vector<NodeId> nodes{kRootNode};
  for (int line = 0; line < 20; ++line) {
    cursor.GoTo(nodes[next() % nodes.size()]);
    for (int ply = 0; ply < 12; ++ply) {
      std::vector<engine::Move> moves = cursor.Position().LegalMoves();
      if (moves.empty()) break;
      ASSERT_TRUE(cursor.Play(moves[next() % moves.size()]));
      nodes.push_back(cursor.Current());
    }
  }
  const GameTree& tree = cursor.Tree();
  for (int step = 0; step < 400; ++step) {
    switch (next() % 4) {
      case 0:
        cursor.Back();
        break;
      case 1:
        cursor.Forward(next() % 3);
        break;
      case 2:
        cursor.GoTo(nodes[next() % nodes.size()]);
        break;
      case 3:
        cursor.ToLineEnd();
        break;
    }
    ASSERT_EQ(cursor.Position().Fen(), tree.PositionAt(cursor.Current()).Fen()) << step;
  }
  EXPECT_EQ(tree.VariationStart(tree.MainLine().back()), kRootNode);
  EXPECT_EQ(tree.LineEnd(kRootNode), tree.MainLine().back());
}

}  // namespace
