#include "game/record/record_text.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "runtime/text_codec.h"

namespace record {

namespace {

// The length of a whole UTF-8 character at `at` (no overlong form, no surrogate, nothing above
// U+10FFFF, no zero byte), or 0.
size_t Utf8Length(std::string_view s, size_t at) {
  uint8_t lead = uint8_t(s[at]);
  if (lead == 0) return 0;
  if (lead < 0x80) return 1;
  size_t extra = (lead & 0xE0) == 0xC0   ? 1
                 : (lead & 0xF0) == 0xE0 ? 2
                 : (lead & 0xF8) == 0xF0 ? 3
                                         : 0;
  if (extra == 0 || s.size() - at <= extra) return 0;
  uint32_t cp = lead & (0x3F >> extra);
  for (size_t k = 1; k <= extra; ++k) {
    uint8_t next = uint8_t(s[at + k]);
    if ((next & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (next & 0x3F);
  }
  static constexpr uint32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return extra + 1;
}

// The length of a GB18030 character at `at` by its form (one byte below 0x80, two bytes with a
// second byte of 0x40-0x7E or 0x80-0xFE, four with digits in the second and fourth), or 0.
size_t GbLength(std::string_view s, size_t at) {
  uint8_t lead = uint8_t(s[at]);
  if (lead == 0 || lead == 0x80 || lead == 0xFF) return 0;
  if (lead < 0x80) return 1;
  if (s.size() - at < 2) return 0;
  uint8_t second = uint8_t(s[at + 1]);
  if ((second >= 0x40 && second <= 0x7E) || (second >= 0x80 && second <= 0xFE)) return 2;
  if (second < 0x30 || second > 0x39 || s.size() - at < 4) return 0;
  uint8_t third = uint8_t(s[at + 2]), fourth = uint8_t(s[at + 3]);
  return third >= 0x81 && third <= 0xFE && fourth >= 0x30 && fourth <= 0x39 ? 4 : 0;
}

size_t WholeLength(std::string_view s, size_t at, Encoding encoding) {
  return encoding == Encoding::kUtf8 ? Utf8Length(s, at) : GbLength(s, at);
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// A run of GB18030 characters whole by their form; iconv knows which of them name a character.
void AppendGbRun(std::string_view run, std::string& out, size_t offset, size_t* first_bad) {
  if (auto utf8 = runtime::GbToUtf8(run)) {
    out += *utf8;
    return;
  }
  for (size_t i = 0; i < run.size();) {
    size_t length = GbLength(run, i);
    auto one = runtime::GbToUtf8(run.substr(i, length));
    if (one) {
      out += *one;
    } else {
      out += kReplacement;
      if (first_bad && *first_bad == std::string_view::npos) *first_bad = offset + i;
    }
    i += length;
  }
}

}  // namespace

std::string ReadError::Text() const {
  if (line <= 0) return reason;
  return "第 " + std::to_string(line) + " 行：" + reason;
}

std::string TooLargeReason() {
  return "文件超过 100 MB，不打开";
}

std::optional<std::string> ReadGameFile(const std::string& path, std::string* why) {
  std::error_code failed;
  uintmax_t size = std::filesystem::file_size(path, failed);
  if (failed) {
    if (why) *why = "读不出这个文件";
    return std::nullopt;
  }
  if (size > kMaxFileBytes) {
    if (why) *why = TooLargeReason();
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::string bytes(size_t(size), '\0');
  in.read(bytes.data(), std::streamsize(bytes.size()));
  if (!in || in.gcount() != std::streamsize(bytes.size())) {
    if (why) *why = "读不出这个文件";
    return std::nullopt;
  }
  return bytes;
}

TextEncoding DetectEncoding(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return {Encoding::kUtf8, 3};
  size_t broken = 0, wide = 0;
  for (size_t i = 0; i < bytes.size();) {
    size_t length = Utf8Length(bytes, i);
    if (length == 0) {
      ++broken;
      ++i;
    } else {
      wide += length > 1;
      i += length;
    }
  }
  // GB18030 text read as UTF-8 breaks at nearly every character; a UTF-8 file broken in a
  // few places still has many times more whole characters than broken bytes.
  bool utf8 = broken == 0 || wide > broken * 8;
  return {utf8 ? Encoding::kUtf8 : Encoding::kGb18030, 0};
}

size_t CharLength(std::string_view text, size_t at, Encoding encoding) {
  return std::max<size_t>(1, WholeLength(text, at, encoding));
}

std::string DecodeSpan(std::string_view span, Encoding encoding, size_t* first_bad) {
  if (first_bad) *first_bad = std::string_view::npos;
  std::string out;
  out.reserve(encoding == Encoding::kUtf8 ? span.size() : span.size() * 3 / 2);
  size_t run = 0;  // the start of the whole characters not yet copied
  auto flush = [&](size_t to) {
    if (encoding == Encoding::kUtf8)
      out.append(span.substr(run, to - run));
    else if (to > run)
      AppendGbRun(span.substr(run, to - run), out, run, first_bad);
  };
  for (size_t i = 0; i < span.size();) {
    // ASCII is whole in either encoding.
    if (uint8_t(span[i]) < 0x80 && span[i] != 0) {
      ++i;
      continue;
    }
    size_t length = WholeLength(span, i, encoding);
    if (length > 0) {
      i += length;
      continue;
    }
    flush(i);
    out += kReplacement;
    if (first_bad && *first_bad == std::string_view::npos) *first_bad = i;
    run = ++i;
  }
  flush(span.size());
  return out;
}

std::string EncodeText(std::string_view utf8, Encoding encoding) {
  std::string text = DecodeSpan(utf8, Encoding::kUtf8);
  if (encoding == Encoding::kUtf8) return text;
  return runtime::Utf8ToGb(text).value_or(std::string());
}

int LineAt(std::string_view text, size_t at, int first_line) {
  at = std::min(at, text.size());
  return first_line + int(std::count(text.begin(), text.begin() + std::ptrdiff_t(at), '\n'));
}

std::string UnixLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
  }
  return out;
}

}  // namespace record
