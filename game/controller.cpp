#include "game/controller.h"

#include "game/analysis.h"
#include "game/game_menu.h"
#include "game/outside_opponent.h"
#include "game/record_window.h"
#include "game/score_graph.h"
#include "game/twoply/static_evaluation.h"
#include "game/twoply/two_ply_search.h"
#include "game/units.h"
#include "game/window_session.h"
#include "runtime/commands.h"
#include "runtime/windows/window_commands.h"

namespace game {

using namespace twoply;

void OnMainWindowCreated() {
  runtime::SetInterfaceStyle(1);
  OpenWindowGame();
  // Before the first game: a Computer with red answers the new game's first question.
  InstallOutsideOpponent();
  NewGame();
  LoadEvaluationTables();
  SearchDepth = 2;
  InstallGameMenu();
  InstallRecordWindow();
  InstallScoreGraph(RecordWindowShown, RefreshRecordWindow);
  InstallAnalysis();
  // The scores and the analysis follow the line before the record shows it.
  SetLineListener([] {
    ScoreGraphFollowLine();
    AnalysisFollowShownPosition();
    RefreshRecordWindow();
  });
}

void NewGame() {
  TheGame().NewGame();
}

void OnBoardClick(int32_t x, int32_t y) {
  TheGame().Click(x, y);
}

void OnExitClick() {
  runtime::Destroy(MainWindow);
}

}  // namespace game
