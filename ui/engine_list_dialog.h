// The engines dialog (引擎…): the outside engines the player added, each a name, a command line
// and how its UCI squares are numbered; a test that starts one and shows what it answered; and
// which engine plays and which analyses, with the time per move. The built-in engine is always the
// first row and cannot be removed. The caller (ui/engines_dialog.h) gives the list and starts the
// tests; this is the widgets. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {

struct EngineRow {
  std::string name;
  std::string command;
  int32_t numbering = 0;  // 0: judged from the engine's name, 1: ranks 0-9, 2: ranks 1-10
  std::string options;    // the options to set, as the player wrote them ("Hash=64; Threads=2")
  int32_t protocol = 0;   // what the engine's last handshake found (0 unknown), kept as it was
  bool operator==(const EngineRow&) const = default;
};

struct EngineListState {
  std::vector<EngineRow> engines;  // the outside engines, without the built-in one
  int32_t opponent = 0;            // 0: the built-in engine, n: engines[n - 1]
  int32_t analyst = 0;
  int32_t moveMs = 2000;  // an outside opponent's time per move
  // Or a clock for both sides: the game's base time (0: none, the time per move holds) and the
  // increment after each move.
  int32_t clockBaseS = 0;
  int32_t clockIncrementS = 0;
  bool operator==(const EngineListState&) const = default;
};

// An option the engine offered in its handshake, shown after a test as a widget of its type.
struct EngineOptionField {
  enum class Kind { kSpin, kCheck, kCombo, kText, kButton };
  std::string name;
  Kind kind = Kind::kText;
  std::string value;         // what is set now: the player's setting, else the engine's default
  std::string defaultValue;  // the engine's
  bool set = false;          // the player's settings hold it (a button: it is pressed at start)
  int64_t min = 0, max = 0;  // a spin's range
  std::vector<std::string> choices;  // a combo's values
  bool operator==(const EngineOptionField&) const = default;
};

// What a test found: the text to show (the protocol, the engine's name, its squares, or why it
// failed), the options as widgets, and the row's options text when it had to be mended (values
// brought into the engine's ranges, ones it cannot take left out).
struct EngineTestReport {
  std::string text;
  std::vector<EngineOptionField> options;
  std::optional<std::string> mendedOptions;
};

// Starts a test of `row` and later calls `report` (on the user-interface thread, at most once).
// `report` may be called after the dialog closed; it then does nothing.
using EngineTester =
    std::function<void(const EngineRow& row, std::function<void(const EngineTestReport&)> report)>;
// The options text `text` with the option `name` set to `value`, or without it (nothing).
using EngineOptionWriter = std::function<std::string(
    const std::string& text, const std::string& name, const std::optional<std::string>& value)>;

// Shows the dialog, modal, starting from `state`; the new state when the player confirms,
// nothing when he cancels.
std::optional<EngineListState> ShowEngineListDialog(const EngineListState& state,
                                                    EngineTester tester, EngineOptionWriter writer);

}  // namespace ui
