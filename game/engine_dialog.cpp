#include "game/engine_dialog.h"

#include <map>
#include <memory>

#include "game/analysis.h"
#include "game/engine_choice.h"
#include "game/outside/engine_client.h"
#include "game/outside/option_settings.h"
#include "game/outside_opponent.h"
#include "runtime/system/message_box.h"
#include "runtime/system/worker.h"
#include "runtime/windows/engine_list_dialog.h"

namespace game {

namespace {

constexpr int32_t kTestPollMs = 50;

runtime::EngineRow RowOf(const OutsideEngine& engine) {
  const int32_t numbering = !engine.numbering                                    ? 0
                            : *engine.numbering == outside::Numbering::kFromZero ? 1
                                                                                 : 2;
  return runtime::EngineRow{engine.name, engine.command, numbering, engine.options};
}

OutsideEngine EngineOf(const runtime::EngineRow& row) {
  OutsideEngine engine{row.name, row.command, std::nullopt, row.options};
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

runtime::EngineOptionField::Kind KindOf(const std::string& type) {
  using Kind = runtime::EngineOptionField::Kind;
  if (type == "spin") return Kind::kSpin;
  if (type == "check") return Kind::kCheck;
  if (type == "combo") return Kind::kCombo;
  if (type == "button") return Kind::kButton;
  return Kind::kText;
}

// The engine's options as the dialog's widgets, each with the player's setting brought to what
// the engine takes; what had to be changed is told in `words` and mended in `settings`.
std::vector<runtime::EngineOptionField> Fields(const outside::EngineClient& client,
                                               outside::OptionSettings& settings,
                                               std::string& words) {
  std::vector<runtime::EngineOptionField> fields;
  for (const outside::EngineOption& option : client.Options()) {
    if (SetByTheProgram(option)) continue;
    runtime::EngineOptionField field{
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

// The tests under way, each an engine in its own process until it answered or failed.
struct TestRun {
  std::unique_ptr<outside::EngineClient> client;
  std::string options;  // the row's, as tested
  std::function<void(const runtime::EngineTestReport&)> report;
  runtime::RepeatingCallId polling = 0;
};
std::map<uint64_t, TestRun> tests;

void Finish(uint64_t id, const std::string& text, bool ready = false) {
  auto it = tests.find(id);
  if (it == tests.end()) return;
  TestRun run = std::move(it->second);
  tests.erase(it);
  runtime::StopRepeatingCall(run.polling);
  runtime::EngineTestReport report{text, {}, std::nullopt};
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

void PollTest(uint64_t id) {
  auto it = tests.find(id);
  if (it == tests.end()) return;
  outside::EngineClient& client = *it->second.client;
  for (const outside::EngineEvent& event : client.Poll()) {
    if (event.kind == outside::EngineEvent::Kind::kReady) return Finish(id, Describe(client), true);
    if (event.kind == outside::EngineEvent::Kind::kFailed) return Finish(id, event.message);
  }
}

// Why an engine's options text cannot be used, naming the engine; empty when it can.
std::string OptionsTrouble(const runtime::EngineRow& row) {
  std::string error;
  if (outside::ParseOptionSettings(row.options, &error)) return {};
  return "引擎 " + (row.name.empty() ? row.command : row.name) + " 的" + error;
}

void StartTest(const runtime::EngineRow& row,
               std::function<void(const runtime::EngineTestReport&)> report) {
  if (std::string trouble = OptionsTrouble(row); !trouble.empty())
    return report({trouble, {}, std::nullopt});
  static uint64_t next = 0;
  const uint64_t id = ++next;
  TestRun& run = tests[id];
  run.report = std::move(report);
  run.options = row.options;
  run.client = std::make_unique<outside::EngineClient>(ConfigFor(EngineOf(row)));
  run.client->SetWakeup([id] { runtime::PostToUiThread([id] { PollTest(id); }); });
  run.client->Start();
  // The handshake's deadline is found when the client is polled; a start that failed, at once.
  run.polling = runtime::StartRepeatingCall(kTestPollMs, [id] { PollTest(id); });
  runtime::PostToUiThread([id] { PollTest(id); });
}

// A widget's value in the row's text; text that does not read is left as it is.
std::string WriteOption(const std::string& text, const std::string& name,
                        const std::optional<std::string>& value) {
  std::optional<outside::OptionSettings> settings = outside::ParseOptionSettings(text);
  if (!settings) return text;
  return outside::FormatOptionSettings(outside::WithSetting(*settings, name, value));
}

}  // namespace

void ShowEngineDialog() {
  runtime::EngineListState state;
  for (const OutsideEngine& engine : SavedEngines()) state.engines.push_back(RowOf(engine));
  state.opponent = OpponentEngine();
  state.analyst = AnalystEngine();
  state.moveMs = EngineMoveMs();
  if (std::optional<ClockSetting> clock = EngineClock()) {
    state.clockBaseS = int32_t(clock->base_ms / 1000);
    state.clockIncrementS = int32_t(clock->increment_ms / 1000);
  }
  std::optional<runtime::EngineListState> chosen =
      runtime::ShowEngineListDialog(state, StartTest, WriteOption);
  // Tests still running when the dialog went are ended: nobody will read their answer.
  while (!tests.empty()) Finish(tests.begin()->first, "");
  if (!chosen) return;
  std::vector<OutsideEngine> list;
  for (const runtime::EngineRow& row : chosen->engines) {
    // Kept as written for the player to mend; the engine starts without them meanwhile.
    if (std::string trouble = OptionsTrouble(row); !trouble.empty())
      runtime::ShowMessageBox(runtime::BoxIcon::kWarning, trouble + "，这些选项暂不设置。", "引擎");
    list.push_back(EngineOf(row));
  }
  SaveEngines(list);
  ChooseOpponentEngine(chosen->opponent);
  ChooseAnalystEngine(chosen->analyst);
  ChooseEngineMoveMs(chosen->moveMs);
  ChooseEngineClock(chosen->clockBaseS, chosen->clockIncrementS);
  ForgetOpponentForThisRun();
  OpponentChoiceChanged();
  AnalystChoiceChanged();
}

}  // namespace game
