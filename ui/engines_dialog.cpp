#include "ui/engines_dialog.h"

#include <algorithm>
#include <map>
#include <memory>

#include "engine/levels.h"
#include "game/engine_choice.h"
#include "game/lifeline.h"
#include "game/outside/engine_client.h"
#include "game/outside/option_settings.h"
#include "game/window_game.h"
#include "runtime/system/message_box.h"
#include "runtime/system/questions.h"
#include "runtime/system/worker.h"
#include "ui/engine_list_dialog.h"

namespace ui {

using game::ConfigFor;
using game::OutsideEngine;

namespace {

constexpr int32_t kTestPollMs = 50;

EngineRow RowOf(const OutsideEngine& engine) {
  const int32_t numbering = !engine.numbering                                    ? 0
                            : *engine.numbering == outside::Numbering::kFromZero ? 1
                                                                                 : 2;
  return EngineRow{engine.name, engine.command, numbering, engine.options,
                   int32_t(engine.protocol)};
}

// What the handshake found stays with a row whose command is the same.
OutsideEngine EngineOf(const EngineRow& row) {
  OutsideEngine engine{row.name, row.command, std::nullopt, row.options,
                       outside::Protocol(std::clamp(row.protocol, 0, 2))};
  if (row.numbering == 1) engine.numbering = outside::Numbering::kFromZero;
  if (row.numbering == 2) engine.numbering = outside::Numbering::kFromOne;
  return engine;
}

// The options the program sets itself, which the player does not: the variant, the lines of the
// analysis, UCCI's milliseconds; and the language the engine speaks, which must stay.
bool SetByTheProgram(const outside::EngineOption& option) {
  for (const char* own : {"UCI_Variant", "MultiPV", "usemillisec", "Protocol"})
    if (outside::SameOptionName(option.name, own)) return true;
  return option.type == "label";
}

EngineOptionField::Kind KindOf(const std::string& type) {
  using Kind = EngineOptionField::Kind;
  if (type == "spin") return Kind::kSpin;
  if (type == "check") return Kind::kCheck;
  if (type == "combo") return Kind::kCombo;
  if (type == "button") return Kind::kButton;
  return Kind::kText;
}

// The engine's options as the dialog's widgets, each with the player's setting brought to what
// the engine takes; what had to be changed is told in `words` and mended in `settings`.
std::vector<EngineOptionField> Fields(const outside::EngineClient& client,
                                      outside::OptionSettings& settings, std::string& words) {
  std::vector<EngineOptionField> fields;
  for (const outside::EngineOption& option : client.Options()) {
    if (SetByTheProgram(option)) continue;
    EngineOptionField field{
        option.name, KindOf(option.type),    option.default_value,   option.default_value,
        false,       option.min.value_or(0), option.max.value_or(0), option.vars};
    for (const auto& [name, value] : settings) {
      if (!outside::SameOptionName(name, option.name)) continue;
      std::string word;
      const std::optional<std::string> fitted = outside::FitOptionValue(option, value, &word);
      if (!word.empty()) words += "\n" + word + "。";
      if (fitted) field.value = *fitted, field.set = true;
      if (fitted != value) {
        settings = outside::WithSetting(settings, option.name, fitted);
        break;  // the list changed under the loop
      }
    }
    fields.push_back(std::move(field));
  }
  return fields;
}

// What the dialog shows after a handshake: the protocol, the engine's name, its squares and the
// options it offers.
std::string Describe(const outside::EngineClient& client) {
  std::string text = "协议：";
  text += client.protocol() == outside::Protocol::kUcci ? "UCCI" : "UCI";
  text += "\n名称：" + (client.IdName().empty() ? std::string("（未给出）") : client.IdName());
  text += "\n坐标：";
  text += client.numbering() == outside::Numbering::kFromOne ? "1-10" : "0-9";
  text += "\n选项：";
  if (client.Options().empty()) text += "无";
  for (const outside::EngineOption& option : client.Options()) {
    text += "\n  " + option.name + "（" + option.type;
    if (!option.default_value.empty()) text += "，默认 " + option.default_value;
    if (option.min && option.max)
      text += "，" + std::to_string(*option.min) + "-" + std::to_string(*option.max);
    text += "）";
  }
  return text;
}

// Why an engine's options text cannot be used, naming the engine; empty when it can.
std::string OptionsTrouble(const EngineRow& row) {
  std::string error;
  if (outside::ParseOptionSettings(row.options, &error)) return {};
  return "引擎 " + (row.name.empty() ? row.command : row.name) + " 的" + error;
}

// The tests under way while the dialog is open, each an engine in its own process until it
// answered or failed. Tests still running when the dialog goes are ended: nobody will read their
// answer.
class EngineTests {
 public:
  // The protocol a test found an engine of this command to speak.
  std::optional<outside::Protocol> Found(const std::string& command) const {
    const auto it = found_.find(command);
    return it == found_.end() ? std::nullopt : std::optional(it->second);
  }
  ~EngineTests() {
    while (!runs_.empty()) Finish(runs_.begin()->first, "");
  }

  void Start(const EngineRow& row, std::function<void(const EngineTestReport&)> report) {
    if (std::string trouble = OptionsTrouble(row); !trouble.empty())
      return report({trouble, {}, std::nullopt});
    const uint64_t id = ++next_;
    Run& run = runs_[id];
    run.report = std::move(report);
    run.options = row.options;
    run.command = row.command;
    run.client = std::make_unique<outside::EngineClient>(ConfigFor(EngineOf(row)));
    run.client->SetWakeup([this, id, alive = lifeline_.Handle()] {
      runtime::PostToUiThread(game::Lifeline::Guarded(alive, [this, id] { Poll(id); }));
    });
    run.client->Start();
    // The handshake's deadline is found when the client is polled; a start that failed, at once.
    run.polling = runtime::StartRepeatingCall(kTestPollMs, [this, id] { Poll(id); });
    runtime::PostToUiThread(lifeline_.Guard([this, id] { Poll(id); }));
  }

 private:
  struct Run {
    std::unique_ptr<outside::EngineClient> client;
    std::string options;  // the row's, as tested
    std::string command;
    std::function<void(const EngineTestReport&)> report;
    runtime::RepeatingCallId polling = 0;
  };

  void Finish(uint64_t id, const std::string& text, bool ready = false) {
    auto it = runs_.find(id);
    if (it == runs_.end()) return;
    Run run = std::move(it->second);
    runs_.erase(it);
    runtime::StopRepeatingCall(run.polling);
    EngineTestReport report{text, {}, std::nullopt};
    if (ready) {
      outside::OptionSettings settings =
          outside::ParseOptionSettings(run.options).value_or(outside::OptionSettings{});
      const outside::OptionSettings before = settings;
      std::string words;
      report.options = Fields(*run.client, settings, words);
      report.text += words;
      if (settings != before) report.mendedOptions = outside::FormatOptionSettings(settings);
    }
    run.client->Quit();
    run.report(report);
  }

  void Poll(uint64_t id) {
    auto it = runs_.find(id);
    if (it == runs_.end()) return;
    outside::EngineClient& client = *it->second.client;
    for (const outside::EngineEvent& event : client.Poll()) {
      if (event.kind == outside::EngineEvent::Kind::kReady) {
        found_[it->second.command] = client.protocol();
        return Finish(id, Describe(client), true);
      }
      if (event.kind == outside::EngineEvent::Kind::kFailed) return Finish(id, event.message);
    }
  }

  std::map<uint64_t, Run> runs_;
  uint64_t next_ = 0;
  std::map<std::string, outside::Protocol> found_;
  game::Lifeline lifeline_;
};

// A widget's value in the row's text; text that does not read is left as it is.
std::string WriteOption(const std::string& text, const std::string& name,
                        const std::optional<std::string>& value) {
  std::optional<outside::OptionSettings> settings = outside::ParseOptionSettings(text);
  if (!settings) return text;
  return outside::FormatOptionSettings(outside::WithSetting(*settings, name, value));
}

}  // namespace

void ShowEngineDialog(game::WindowGame& window) {
  using namespace game;
  EngineListState state;
  for (const OutsideEngine& engine : SavedEngines()) state.engines.push_back(RowOf(engine));
  state.opponent = OpponentEngine();
  state.analyst = AnalystEngine();
  state.moveMs = EngineMoveMs();
  if (std::optional<ClockSetting> clock = EngineClock()) {
    state.clockBaseS = int32_t(clock->base_ms / 1000);
    state.clockIncrementS = int32_t(clock->increment_ms / 1000);
  }
  EngineTests tests;
  const std::optional<EngineListState> chosen = ShowEngineListDialog(
      state,
      [&tests](const EngineRow& row, std::function<void(const EngineTestReport&)> report) {
        tests.Start(row, std::move(report));
      },
      WriteOption);
  if (!chosen) return;
  std::vector<OutsideEngine> list;
  for (const EngineRow& row : chosen->engines) {
    // Kept as written for the player to mend; the engine starts without them meanwhile.
    if (std::string trouble = OptionsTrouble(row); !trouble.empty())
      runtime::ShowMessageBox(runtime::BoxIcon::kWarning, trouble + "，这些选项暂不设置。", "引擎");
    list.push_back(EngineOf(row));
    if (std::optional<outside::Protocol> found = tests.Found(row.command))
      list.back().protocol = *found;
  }
  SaveEngines(list);
  ChooseOpponentEngine(chosen->opponent);
  ChooseAnalystEngine(chosen->analyst);
  ChooseEngineMoveMs(chosen->moveMs);
  ChooseEngineClock(chosen->clockBaseS, chosen->clockIncrementS);
  window.EnginesChosen();
  // An engine chosen to play plays at levels 3 to 8 only: at the game's own levels, say so and
  // offer the strongest.
  if (chosen->opponent != 0 && engine::PlayedByTwoPlySearch(window.Game().Level()) &&
      runtime::AskYesNo("选中的引擎只在难度 3-8 下棋，现在的难度 " +
                            std::to_string(window.Game().Level()) +
                            " 由程序自己的搜索下。改为难度 8，由这个引擎下棋吗？",
                        "引擎"))
    window.ChooseLevel(engine::kMaxLevel);
}

}  // namespace ui
