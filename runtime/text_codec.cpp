#include "runtime/text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>

namespace runtime {

namespace {

// One conversion through iconv; nothing on an invalid or incomplete sequence.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1) &&
            iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - dstLeft);
  return out;
}

}  // namespace

std::optional<std::string> GbToUtf8(std::string_view gb) {
  // A zero byte ends a text; iconv would pass it through, so refuse it outright.
  if (gb.find('\0') != std::string_view::npos) return std::nullopt;
  return Convert("UTF-8", "GB18030", gb);
}

std::optional<std::string> Utf8ToGb(std::string_view utf8) {
  if (utf8.find('\0') != std::string_view::npos) return std::nullopt;
  return Convert("GB18030", "UTF-8", utf8);
}

std::string Gb(std::string_view utf8) {
  auto gb = Utf8ToGb(utf8);
  if (!gb) std::abort();  // a literal of the program itself that is not UTF-8
  return *gb;
}

std::string GbToUtf8Lossy(std::string_view gb) {
  std::string out;
  size_t i = 0;
  while (i < gb.size()) {
    // GB18030 sequences are 1, 2 or 4 bytes long; try the longest that decodes.
    size_t taken = 0;
    for (size_t len : {size_t{1}, size_t{2}, size_t{4}}) {
      if (i + len > gb.size()) break;
      if (auto u = GbToUtf8(gb.substr(i, len))) {
        out += *u;
        taken = len;
        break;
      }
    }
    if (taken == 0) {
      out += "\xEF\xBF\xBD";
      taken = 1;
    }
    i += taken;
  }
  return out;
}

}  // namespace runtime
