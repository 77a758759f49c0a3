#include "ui/extra_windows.h"

#include "game/engine_choice.h"
#include "game/game_menu.h"
#include "ui/board_editor.h"
#include "ui/engines_dialog.h"
#include "ui/game_list_window.h"
#include "ui/game_settings_dialog.h"
#include "ui/help_window.h"
#include "ui/record_dialogs.h"
#include "ui/record_window.h"

namespace ui {

ProgramWindows::ProgramWindows(game::WindowGame& window)
    : window_(window), record_(std::make_unique<RecordWindow>(window)) {}

// The help goes with the game's windows.
ProgramWindows::~ProgramWindows() {
  delete help_.data();
}

void ProgramWindows::ToggleRecordWindow() {
  record_->Toggle();
}

bool ProgramWindows::RecordWindowShown() const {
  return record_->Shown();
}

void ProgramWindows::ShowEngineDialog() {
  ui::ShowEngineDialog(window_);
}

std::optional<std::string> ProgramWindows::EditPosition(const std::string& fen) {
  return ui::EditPosition(fen);
}

std::optional<size_t> ProgramWindows::ChooseGame(const record::GameList& list,
                                                 const std::string& caption) {
  return ChooseGameDialog(list, caption);
}

std::optional<std::string> ProgramWindows::EditComment(const std::string& title,
                                                       const std::string& comment) {
  return EditCommentDialog(title, comment);
}

bool ProgramWindows::EditGameInfo(record::PgnTags& tags, std::string& result) {
  return EditGameInfoDialog(tags, result);
}

void ProgramWindows::ShowHelp() {
  ShowHelpWindow(help_, game::HelpText(window_.RecentGames().Folder()));
}

// The choices go to work at once; a colour changed starts a new game, as 执黑 does.
void ProgramWindows::ShowGameSettings() {
  game::Session& game = window_.Game();
  const std::optional<game::ClockSetting> clock = game::EngineClock();
  const GameSettings now{game.Level(), game.HumanColour() == twoply::Colour::kBlack,
                         game.StandardRules(), clock ? int32_t(clock->base_ms / 60000) : 0,
                         clock ? int32_t(clock->increment_ms / 1000) : 0};
  const std::optional<GameSettings> chosen = ShowGameSettingsDialog(now);
  if (!chosen || *chosen == now) return;
  window_.ChooseLevel(chosen->level);
  game.ChooseStandardRules(chosen->standardRules);
  game::ChooseEngineClock(chosen->clockMinutes * 60, chosen->incrementSeconds);
  window_.ClockChosen();
  // The clocks are shown in the record window.
  if (chosen->clockMinutes > 0 && !record_->Shown()) record_->Toggle();
  if (chosen->black != now.black)
    window_.PlayAs(chosen->black ? twoply::Colour::kBlack : twoply::Colour::kRed);
}

std::unique_ptr<game::ExtraWindows> MakeExtraWindows(game::WindowGame& window) {
  return std::make_unique<ProgramWindows>(window);
}

}  // namespace ui
