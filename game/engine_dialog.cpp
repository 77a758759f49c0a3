#include "game/engine_dialog.h"

#include <map>
#include <memory>

#include "game/analysis.h"
#include "game/engine_choice.h"
#include "game/engines/engine_client.h"
#include "game/engines/option_settings.h"
#include "game/outside_opponent.h"
#include "runtime/system/message_box.h"
#include "runtime/system/worker.h"
#include "runtime/windows/engine_list_dialog.h"

namespace game {

namespace {

constexpr int32_t kTestPollMs = 50;

runtime::EngineRow RowOf(const OutsideEngine& engine) {
  const int32_t numbering = !engine.numbering                                    ? 0
                            : *engine.numbering == engines::Numbering::kFromZero ? 1
                                                                                 : 2;
  return runtime::EngineRow{engine.name, engine.command, numbering, engine.options};
}

OutsideEngine EngineOf(const runtime::EngineRow& row) {
  OutsideEngine engine{row.name, row.command, std::nullopt, row.options};
  if (row.numbering == 1) engine.numbering = engines::Numbering::kFromZero;
  if (row.numbering == 2) engine.numbering = engines::Numbering::kFromOne;
  return engine;
}

// What the dialog shows after a handshake: the protocol, the engine's name, its squares and the
// options it offers.
std::string Describe(const engines::EngineClient& client) {
  std::string text = "协议：";
  text += client.protocol() == engines::Protocol::kUcci ? "UCCI" : "UCI";
  text += "\n名称：" + (client.IdName().empty() ? std::string("（未给出）") : client.IdName());
  text += "\n坐标：";
  text += client.numbering() == engines::Numbering::kFromOne ? "1-10" : "0-9";
  text += "\n选项：";
  if (client.Options().empty()) text += "无";
  for (const engines::EngineOption& option : client.Options()) {
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
  std::unique_ptr<engines::EngineClient> client;
  std::function<void(const std::string&)> report;
  runtime::RepeatingCallId polling = 0;
};
std::map<uint64_t, TestRun> tests;

void Finish(uint64_t id, const std::string& text) {
  auto it = tests.find(id);
  if (it == tests.end()) return;
  TestRun run = std::move(it->second);
  tests.erase(it);
  runtime::StopRepeatingCall(run.polling);
  run.client->Quit();
  run.report(text);
}

void PollTest(uint64_t id) {
  auto it = tests.find(id);
  if (it == tests.end()) return;
  engines::EngineClient& client = *it->second.client;
  for (const engines::EngineEvent& event : client.Poll()) {
    if (event.kind == engines::EngineEvent::Kind::kReady) return Finish(id, Describe(client));
    if (event.kind == engines::EngineEvent::Kind::kFailed) return Finish(id, event.message);
  }
}

// Why an engine's options text cannot be used, naming the engine; empty when it can.
std::string OptionsTrouble(const runtime::EngineRow& row) {
  std::string error;
  if (engines::ParseOptionSettings(row.options, &error)) return {};
  return "引擎 " + (row.name.empty() ? row.command : row.name) + " 的" + error;
}

void StartTest(const runtime::EngineRow& row, std::function<void(const std::string&)> report) {
  if (std::string trouble = OptionsTrouble(row); !trouble.empty()) return report(trouble);
  static uint64_t next = 0;
  const uint64_t id = ++next;
  TestRun& run = tests[id];
  run.report = std::move(report);
  run.client = std::make_unique<engines::EngineClient>(ConfigFor(EngineOf(row)));
  run.client->SetWakeup([id] { runtime::PostToUiThread([id] { PollTest(id); }); });
  run.client->Start();
  // The handshake's deadline is found when the client is polled; a start that failed, at once.
  run.polling = runtime::StartRepeatingCall(kTestPollMs, [id] { PollTest(id); });
  runtime::PostToUiThread([id] { PollTest(id); });
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
  std::optional<runtime::EngineListState> chosen = runtime::ShowEngineListDialog(state, StartTest);
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
