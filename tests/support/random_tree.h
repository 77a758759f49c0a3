// A game tree for round trips through the record's formats: variations inside variations,
// comments (before a variation's first move and after moves, some of two lines), marks and NAGs,
// and tags of every kind, made from a seed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/record/game_tree.h"

namespace testing_support {

// `pgn_only`: also what only PGN keeps (marks, NAGs, comments before a variation's first move).
// `odd` is put into some comments.
inline record::GameTree RandomTree(const std::string& fen, unsigned seed, bool pgn_only = true,
                                   const std::string& odd = "") {
  using record::NodeId;
  record::GameTree tree(*engine::Position::FromFen(fen));
  tree.tags.Set("Event", "第 1 届 \"杯\" \\ 赛");
  tree.tags.Set("Red", "许银川");
  tree.tags.Set("Black", "吕钦");
  if (pgn_only) tree.tags.Set("红方", "许银川");
  if (pgn_only) tree.tags.Set("MyTag", "");
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  std::vector<NodeId> nodes{record::kRootNode};
  tree.AddComment(record::kRootNode, "开局前 {的 话");
  for (int line = 0; line < 25; ++line) {
    NodeId at = nodes[next() % nodes.size()];
    engine::Position pos = tree.PositionAt(at);
    for (int ply = 0; ply < (line == 0 ? 60 : 8); ++ply) {
      std::vector<engine::Move> moves = pos.LegalMoves();
      if (moves.empty()) break;
      engine::Move m = moves[next() % moves.size()];
      bool known = false;
      for (NodeId child : tree.Children(at)) known |= tree.At(child).move == m;
      if (known) break;
      bool starts_variation = !tree.Children(at).empty();
      at = tree.AppendChild(at, m);
      pos.MakeMove(m);
      nodes.push_back(at);
      if (next() % 4 == 0)
        tree.AddComment(at, "注 " + std::to_string(at) + (at % 3 ? odd : "\n第二行"));
      if (!pgn_only) continue;
      if (starts_variation && next() % 2 == 0) tree.AddBefore(at, "变着 " + std::to_string(at));
      if (next() % 5 == 0) tree.AddNag(at, uint8_t(1 + next() % 6));
      if (next() % 7 == 0) tree.AddNag(at, uint8_t(10 + next() % 200));
    }
  }
  tree.result = "1/2-1/2";
  return tree;
}

}  // namespace testing_support
