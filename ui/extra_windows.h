// The windows the program adds beside the main window, made for each main window's game: the
// record window and the engines dialog. The program hands MakeExtraWindows to the window's setup.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "game/window_game.h"

namespace ui {

class RecordWindow;

class ProgramWindows final : public game::ExtraWindows {
 public:
  explicit ProgramWindows(game::WindowGame& window);
  ~ProgramWindows() override;

  void ToggleRecordWindow() override;
  bool RecordWindowShown() const override;
  void ShowEngineDialog() override;
  void ShowGameSettings() override;
  std::optional<std::string> EditPosition(const std::string& fen) override;
  std::optional<size_t> ChooseGame(const record::GameList& list,
                                   const std::string& caption) override;
  std::optional<std::string> EditComment(const std::string& title,
                                         const std::string& comment) override;
  bool EditGameInfo(record::PgnTags& tags, std::string& result) override;
  void ShowHelp() override;

  RecordWindow& Record() { return *record_; }

 private:
  game::WindowGame& window_;
  std::unique_ptr<RecordWindow> record_;
  QPointer<QWidget> help_;
};

std::unique_ptr<game::ExtraWindows> MakeExtraWindows(game::WindowGame& window);

}  // namespace ui
