// The game the record's benchmarks open and step through: 300 plies with 50 variations of 6 to 15
// plies, leaving the main line and each other, each with a comment at its first move.
#pragma once

#include <string>
#include <vector>

#include "engine/position.h"
#include "game/record/game_tree.h"

namespace bench {

inline record::GameTree GameWithVariations() {
  unsigned seed = 300;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  record::GameTree tree;
  std::vector<record::NodeId> nodes;
  record::NodeId at = record::kRootNode;
  engine::Position pos;
  for (int ply = 0; ply < 300 && !pos.NoLegalMoves(); ++ply) {
    std::vector<engine::Move> moves = pos.LegalMoves();
    engine::Move m = moves[next() % moves.size()];
    at = tree.AppendChild(at, m);
    pos.MakeMove(m);
    nodes.push_back(at);
  }
  for (int v = 0; v < 50; ++v) {
    record::NodeId from = tree.Parent(nodes[next() % nodes.size()]);
    engine::Position branch = tree.PositionAt(from);
    for (int ply = 0; ply < 6 + v % 10 && !branch.NoLegalMoves(); ++ply) {
      std::vector<engine::Move> moves = branch.LegalMoves();
      engine::Move m = moves[next() % moves.size()];
      from = tree.AppendChild(from, m);
      branch.MakeMove(m);
      nodes.push_back(from);
      if (ply == 0) tree.AddComment(from, "变着 " + std::to_string(v));
    }
  }
  return tree;
}

}  // namespace bench
