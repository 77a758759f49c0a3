// An outside engine as the Computer: the engine chosen in 引擎… (at levels 3 to 8) or given for one
// run by `xiangqi --engine COMMAND` (at every level) answers the game's questions through its
// process. When it fails, the player is told which engine and what went wrong, its process is
// ended, and the built-in engine plays on at the chosen level with nothing of the game lost.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "game/lifeline.h"
#include "runtime/system/worker.h"

namespace game {

class Session;
struct OutsideEngine;

class OutsideOpponent {
 public:
  // `commandForThisRun` is the run's --engine, kept by the caller: it holds until the player
  // chooses in 引擎…, when it is reset here.
  OutsideOpponent(Session& game, std::optional<std::string>& commandForThisRun);
  ~OutsideOpponent();
  OutsideOpponent(const OutsideOpponent&) = delete;
  OutsideOpponent& operator=(const OutsideOpponent&) = delete;

  // Takes the chosen engine (the one given for this run first); the new engine plays from the
  // next reply on.
  void FollowChoice();
  // The player chose in the engine dialog: the engine given for this run gives way.
  void ForgetEngineForThisRun();
  // The name of the outside engine playing now, or empty for the built-in engine.
  std::string Name() const;

 private:
  class Provider;
  void Poll();
  void StartPolling();
  void FailedWith(const std::string& message);

  Session& game_;
  std::optional<std::string>& commandForThisRun_;
  std::unique_ptr<Provider> provider_;
  runtime::RepeatingCallId polling_ = 0;
  uint64_t subscription_ = 0;
  Lifeline lifeline_;
};

}  // namespace game
