// The outside engines the player has added (引擎…) and which engine plays and which analyses:
// kept in the settings file. The built-in engine is always there, as number 0, and is the default
// for both.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "game/outside/engine_client.h"
#include "game/play/game_clock.h"

namespace game {

struct OutsideEngine {
  std::string name;     // as the player named it
  std::string command;  // the command line
  // UCI's ranks, as the player set them or the engine's moves showed them; nothing: guessed
  // from the engine's name until its moves tell.
  std::optional<outside::Numbering> numbering;
  std::string options;  // "Hash=64; Threads=2" (option_settings.h)
  // The protocol its last handshake found: the only one asked next time. Unknown: both tried.
  outside::Protocol protocol = outside::Protocol::kUnknown;
  bool operator==(const OutsideEngine&) const = default;
};

// The time an outside opponent has for each move unless the player chose another.
inline constexpr int32_t kDefaultEngineMoveMs = 2000;

// The saved engines that have a command; an entry whose command someone emptied by hand is left
// out without moving the choices below onto another engine (one that chose it reads as 0). The
// numbers below count the engines of this list.
std::vector<OutsideEngine> SavedEngines();
void SaveEngines(const std::vector<OutsideEngine>& list);
// The saved engine of that number (1..), or nothing for 0 and numbers past the list.
std::optional<OutsideEngine> ChosenEngine(int32_t number);
// 0: the built-in engine; n: the n-th saved engine. A number past the list reads as 0.
int32_t OpponentEngine();
int32_t AnalystEngine();
void ChooseOpponentEngine(int32_t number);
void ChooseAnalystEngine(int32_t number);
int32_t EngineMoveMs();
void ChooseEngineMoveMs(int32_t ms);
// Instead of a time per move, an outside opponent and the Human may play on a clock: a base time
// for the game and an increment after each move. Nothing: the time per move.
inline constexpr int32_t kShortestClockS = 60;
inline constexpr int32_t kLongestClockS = 3 * 3600;
inline constexpr int32_t kLongestIncrementS = 60;
std::optional<ClockSetting> EngineClock();
// A base of 0 seconds goes back to the time per move; others are brought into range.
void ChooseEngineClock(int32_t baseSeconds, int32_t incrementSeconds);

// What the client is given for an engine: its protocol and numbering as found before, and each
// of its options that reads (the ones that do not become notices the client tells at start).
outside::EngineConfig ConfigFor(const OutsideEngine& engine);
// Keeps what the client found out about the engine with every saved engine of that command: the
// protocol once the handshake is done, the numbering once the engine's moves confirmed it.
void RememberFound(const std::string& command, const outside::EngineClient& client);

}  // namespace game
