// The stored file-type list reader on arbitrary text: it never fails, and every entry it gives
// is made of pieces of the text between bars, with patterns to show.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/system/file_dialog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto filters = runtime::ParseFileFilter(text);
  std::size_t bars = 0;
  for (char c : text) bars += c == '|';
  if (filters.size() > bars / 2 + 1) std::abort();
  auto isPiece = [text](const std::string& field) {
    return field.find('|') == std::string::npos && text.find(field) != std::string_view::npos;
  };
  for (const runtime::FileFilter& filter : filters) {
    // Patterns are as stored, or "*" where none were.
    if (!isPiece(filter.description) || !(filter.patterns == "*" || isPiece(filter.patterns)))
      std::abort();
  }
  return 0;
}
