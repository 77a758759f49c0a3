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

int32_t StoredCount() {
  return std::clamp(runtime::ReadSetting(kCountKey).value_or(0), 0, kMostEngines);
}

bool HasCommand(int32_t n) {
  return !runtime::ReadTextSetting(Key(n, "command")).value_or("").empty();
}

// The place in the file of each engine SavedEngines() gives, in its order: a place whose
// command is empty is skipped, so the numbers stored for the choices stay with their engines.
std::vector<int32_t> Places() {
  std::vector<int32_t> places;
  for (int32_t n = 1; n <= StoredCount(); ++n)
    if (HasCommand(n)) places.push_back(n);
  return places;
}

int32_t Chosen(std::string_view key) {
  const int32_t place = runtime::ReadSetting(key).value_or(0);
  const std::vector<int32_t> places = Places();
  const auto found = std::find(places.begin(), places.end(), place);
  return found == places.end() ? 0 : int32_t(found - places.begin()) + 1;
}

void Choose(std::string_view key, int32_t number) {
  const std::vector<int32_t> places = Places();
  runtime::WriteSetting(
      key, number >= 1 && number <= int32_t(places.size()) ? places[size_t(number - 1)] : 0);
}

}  // namespace

std::vector<OutsideEngine> SavedEngines() {
  std::vector<OutsideEngine> list;
  for (int32_t n : Places()) {
    OutsideEngine engine;
    engine.name = runtime::ReadTextSetting(Key(n, "name")).value_or("");
    engine.command = runtime::ReadTextSetting(Key(n, "command")).value_or("");
    engine.options = runtime::ReadTextSetting(Key(n, "options")).value_or("");
    const int32_t numbering = runtime::ReadSetting(Key(n, "numbering")).value_or(0);
    if (numbering == 1) engine.numbering = outside::Numbering::kFromZero;
    if (numbering == 2) engine.numbering = outside::Numbering::kFromOne;
    const int32_t protocol = runtime::ReadSetting(Key(n, "protocol")).value_or(0);
    if (protocol == 1) engine.protocol = outside::Protocol::kUci;
    if (protocol == 2) engine.protocol = outside::Protocol::kUcci;
    list.push_back(std::move(engine));
  }
  return list;
}

void SaveEngines(const std::vector<OutsideEngine>& list) {
  const int32_t old = StoredCount();
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
    runtime::WriteSetting(Key(n, "protocol"), engine.protocol == outside::Protocol::kUci    ? 1
                                              : engine.protocol == outside::Protocol::kUcci ? 2
                                                                                            : 0);
  }
  for (int32_t n = count + 1; n <= old; ++n) {
    runtime::WriteTextSetting(Key(n, "name"), std::nullopt);
    runtime::WriteTextSetting(Key(n, "command"), std::nullopt);
    runtime::WriteTextSetting(Key(n, "options"), std::nullopt);
    runtime::WriteTextSetting(Key(n, "numbering"), std::nullopt);
    runtime::WriteTextSetting(Key(n, "protocol"), std::nullopt);
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
  Choose(kOpponentKey, number);
}

void ChooseAnalystEngine(int32_t number) {
  Choose(kAnalystKey, number);
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
  config.protocol = engine.protocol;
  config.options = outside::ReadableOptionSettings(engine.options, &config.notices);
  return config;
}

void RememberFound(const std::string& command, const outside::EngineClient& client) {
  std::vector<OutsideEngine> list = SavedEngines();
  bool changed = false;
  for (OutsideEngine& engine : list) {
    if (engine.command != command) continue;
    OutsideEngine found = engine;
    if (client.protocol() != outside::Protocol::kUnknown) found.protocol = client.protocol();
    if (client.protocol() == outside::Protocol::kUci && client.NumberingConfirmed())
      found.numbering = client.numbering();
    changed |= found != engine;
    engine = std::move(found);
  }
  if (!changed) return;
  // Saving packs the list; the choices go with their engines.
  const int32_t opponent = OpponentEngine(), analyst = AnalystEngine();
  SaveEngines(list);
  ChooseOpponentEngine(opponent);
  ChooseAnalystEngine(analyst);
}

}  // namespace game
