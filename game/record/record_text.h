// The text of game files as every reader here takes it: the encoding (UTF-8, with or without a
// byte-order mark, else GB18030, which covers GBK and GB2312), characters of either, spans of a
// file decoded to UTF-8 with the place of the first broken byte, lines, and the size a file may
// have. Also the error every reader gives: a line and a reason in Chinese.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace record {

// Why a file or a game cannot be used, or what was wrong in a game that opened anyway.
struct ReadError {
  int line = 0;  // from 1; 0 where a file has no lines (XQF)
  std::string reason;
  std::string Text() const;  // "第 12 行：着法 炮二进九 不合规则", or the reason alone
};

// Larger files are refused before they are read: a list of games must never take more than
// about twice the file in memory.
inline constexpr size_t kMaxFileBytes = size_t(100) << 20;
std::string TooLargeReason();  // "文件超过 100 MB，不打开"

// A whole file of at most kMaxFileBytes (its size is asked first); nothing, and the reason in
// Chinese, when it cannot be read or is larger.
std::optional<std::string> ReadGameFile(const std::string& path, std::string* why);

enum class Encoding { kUtf8, kGb18030 };

// UTF-8 when the bytes have a byte-order mark or read as UTF-8 (a few broken bytes in much UTF-8
// text too: they are the file's faults, not its encoding), else GB18030. `text_begin` is where
// the text starts after a byte-order mark.
struct TextEncoding {
  Encoding encoding = Encoding::kUtf8;
  size_t text_begin = 0;
};
TextEncoding DetectEncoding(std::string_view bytes);

// The length of the character at `at` (at least 1, also for a byte that starts none).
size_t CharLength(std::string_view text, size_t at, Encoding encoding);

// A span of a file as UTF-8. Bytes that are not text of the encoding (and zero bytes) become
// U+FFFD; `first_bad` gets the offset of the first of them in the span, or npos.
std::string DecodeSpan(std::string_view span, Encoding encoding, size_t* first_bad = nullptr);
// UTF-8 as the encoding's bytes; broken and zero bytes become U+FFFD, which GB18030 has too.
std::string EncodeText(std::string_view utf8, Encoding encoding);

// The line of byte `at`, counting from `first_line` at the start of `text`.
int LineAt(std::string_view text, size_t at, int first_line = 1);

// CR LF and lone CR as LF, the way comments are kept whatever file they came from.
std::string UnixLines(std::string_view text);

}  // namespace record
