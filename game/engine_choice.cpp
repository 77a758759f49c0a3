#include "game/engine_choice.h"

#include <algorithm>

#include "game/outside/option_settings.h"
#include "runtime/system/settings.h"

namespace game {

namespace {

constexpr std::string_view kCountKey = "engines/count";
constexpr std::string_view kOpponentKey = "engines/opponent";
constexpr std::string_view kAnalystKey = "engines/analyst";
constexpr std::string_view kMoveMsKey = "engines/moveMs";
// The clock, when the player chose one; without these keys the time per move holds.
constexpr std::string_view kClockBaseKey = "engines/clockBaseS";
constexpr std::string_view kClockIncrementKey = "engines/clockIncrementS";
// More than anyone keeps; a damaged count cannot make the program read forever.
constexpr int32_t kMostEngines = 64;

std::string Key(int32_t n, const char* field) {
  return "engines/" + std::to_string(n) + "/" + field;
}

int32_t Chosen(std::string_view key) {
  const int32_t n = runtime::ReadSetting(key).value_or(0);
  return n >= 0 && n <= int32_t(SavedEngines().size()) ? n : 0;
}

}  // namespace

std::vector<OutsideEngine> SavedEngines() {
  std::vector<OutsideEngine> list;
  const int32_t count = std::clamp(runtime::ReadSetting(kCountKey).value_or(0), 0, kMostEngines);
  for (int32_t n = 1; n <= count; ++n) {
    OutsideEngine engine;
    engine.name = runtime::ReadTextSetting(Key(n, "name")).value_or("");
    engine.command = runtime::ReadTextSetting(Key(n, "command")).value_or("");
    engine.options = runtime::ReadTextSetting(Key(n, "options")).value_or("");
    const int32_t numbering = runtime::ReadSetting(Key(n, "numbering")).value_or(0);
    if (numbering == 1) engine.numbering = outside::Numbering::kFromZero;
    if (numbering == 2) engine.numbering = outside::Numbering::kFromOne;
    if (!engine.command.empty()) list.push_back(std::move(engine));
  }
  return list;
}

void SaveEngines(const std::vector<OutsideEngine>& list) {
  const int32_t old = std::clamp(runtime::ReadSetting(kCountKey).value_or(0), 0, kMostEngines);
  const int32_t count = std::min(int32_t(list.size()), kMostEngines);
  for (int32_t n = 1; n <= count; ++n) {
    const OutsideEngine& engine = list[size_t(n - 1)];
    runtime::WriteTextSetting(Key(n, "name"), engine.name);
    runtime::WriteTextSetting(Key(n, "command"), engine.command);
    runtime::WriteTextSetting(Key(n, "options"), engine.options);
    runtime::WriteSetting(Key(n, "numbering"), !engine.numbering ? 0
                                               : *engine.numbering == outside::Numbering::kFromZero
                                                   ? 1
                                                   : 2);
  }
  for (int32_t n = count + 1; n <= old; ++n) {
    runtime::WriteTextSetting(Key(n, "name"), std::nullopt);
    runtime::WriteTextSetting(Key(n, "command"), std::nullopt);
    runtime::WriteTextSetting(Key(n, "options"), std::nullopt);
    runtime::WriteTextSetting(Key(n, "numbering"), std::nullopt);
  }
  runtime::WriteSetting(kCountKey, count);
}

std::optional<OutsideEngine> ChosenEngine(int32_t number) {
  std::vector<OutsideEngine> list = SavedEngines();
  if (number < 1 || number > int32_t(list.size())) return std::nullopt;
  return std::move(list[size_t(number - 1)]);
}

int32_t OpponentEngine() {
  return Chosen(kOpponentKey);
}

int32_t AnalystEngine() {
  return Chosen(kAnalystKey);
}

void ChooseOpponentEngine(int32_t number) {
  runtime::WriteSetting(kOpponentKey, number);
}

void ChooseAnalystEngine(int32_t number) {
  runtime::WriteSetting(kAnalystKey, number);
}

int32_t EngineMoveMs() {
  const int32_t ms = runtime::ReadSetting(kMoveMsKey).value_or(kDefaultEngineMoveMs);
  return ms >= 100 && ms <= 600000 ? ms : kDefaultEngineMoveMs;
}

void ChooseEngineMoveMs(int32_t ms) {
  runtime::WriteSetting(kMoveMsKey, std::clamp(ms, 100, 600000));
}

std::optional<ClockSetting> EngineClock() {
  const int32_t base = runtime::ReadSetting(kClockBaseKey).value_or(0);
  const int32_t increment = runtime::ReadSetting(kClockIncrementKey).value_or(0);
  if (base < kShortestClockS || base > kLongestClockS) return std::nullopt;
  return ClockSetting{int64_t(base) * 1000,
                      int64_t(std::clamp(increment, 0, kLongestIncrementS)) * 1000};
}

void ChooseEngineClock(int32_t baseSeconds, int32_t incrementSeconds) {
  runtime::WriteSetting(
      kClockBaseKey,
      baseSeconds <= 0 ? 0 : std::clamp(baseSeconds, kShortestClockS, kLongestClockS));
  runtime::WriteSetting(kClockIncrementKey, std::clamp(incrementSeconds, 0, kLongestIncrementS));
}

outside::EngineConfig ConfigFor(const OutsideEngine& engine) {
  outside::EngineConfig config;
  config.name = engine.name;
  config.command = engine.command;
  config.numbering = engine.numbering;
  if (auto settings = outside::ParseOptionSettings(engine.options)) config.options = *settings;
  return config;
}

}  // namespace game
