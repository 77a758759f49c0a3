// The search's constants: defaults, names, ranges, text form and the active set.
#include "engine/search_params.h"

#include "engine/text_fields.h"

namespace engine {

namespace {

struct Description {
  const char* name;
  int32_t low;
  int32_t high;
};

constexpr Description kDescriptions[] = {
#define XQ_SEARCH_DESCRIPTION(id, name, def, low, high) {name, low, high},
    XQ_SEARCH_PARAMS(XQ_SEARCH_DESCRIPTION)
#undef XQ_SEARCH_DESCRIPTION
};

constexpr SearchParams MakeDefaults() {
  SearchParams p{};
#define XQ_SEARCH_DEFAULT(id, name, def, low, high) p.value[id] = def;
  XQ_SEARCH_PARAMS(XQ_SEARCH_DEFAULT)
#undef XQ_SEARCH_DEFAULT
  return p;
}

constexpr SearchParams kDefaults = MakeDefaults();

constexpr bool DefaultsWithinRanges() {
  for (int i = 0; i < kSearchParamCount; ++i)
    if (kDefaults.value[i] < kDescriptions[i].low || kDefaults.value[i] > kDescriptions[i].high)
      return false;
  return true;
}
static_assert(DefaultsWithinRanges());

SearchParams g_search_params = kDefaults;

}  // namespace

const SearchParams& DefaultSearchParams() {
  return kDefaults;
}
std::string_view SearchParamName(int index) {
  return kDescriptions[index].name;
}
int32_t SearchParamLow(int index) {
  return kDescriptions[index].low;
}
int32_t SearchParamHigh(int index) {
  return kDescriptions[index].high;
}

std::string WriteSearchParams(const SearchParams& params) {
  std::string out = "# xiangqi search parameters: name value  # lowest..highest\n";
  for (int i = 0; i < kSearchParamCount; ++i)
    out += std::string(kDescriptions[i].name) + " " + std::to_string(params[i]) + "  # " +
           std::to_string(kDescriptions[i].low) + ".." + std::to_string(kDescriptions[i].high) +
           "\n";
  return out;
}

std::optional<SearchParams> ParseSearchParams(std::string_view text, const SearchParams& base,
                                              std::string* error) {
  SearchParams out = base;
  auto refused = ReadNumberSet(text,
                               {kSearchParamCount, [](int i) { return kDescriptions[i].name; },
                                [](int i) { return int64_t(kDescriptions[i].low); },
                                [](int i) { return int64_t(kDescriptions[i].high); }},
                               out.value.data());
  if (refused) {
    if (error) *error = *refused;
    return std::nullopt;
  }
  return out;
}

const SearchParams& ActiveSearchParams() {
  return g_search_params;
}
void SetSearchParams(const SearchParams& params) {
  g_search_params = params;
}

}  // namespace engine
