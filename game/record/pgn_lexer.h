// The pieces of PGN text: tags, comments, the brackets of variations, NAGs and symbols (moves,
// move numbers, marks, results), each with its line. It reads a file's own bytes in UTF-8 or
// GB18030, so that listing the games of a file never decodes the file; reading one game decodes
// that game and reads it as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "game/record/record_text.h"

namespace record {

struct PgnToken {
  enum Type : uint8_t { kEnd, kTag, kComment, kOpen, kClose, kNag, kSymbol };
  // What is not whole: the token then ends at the end of its line (a tag), or before the next
  // line that is a tag (a comment {), or at the end of the text.
  enum Broken : uint8_t { kWhole, kNoTagName, kNoClosingQuote, kNoClosingBracket, kNoClosingBrace };
  Type type = kEnd;
  Broken broken = kWhole;
  int line = 1;
  size_t begin = 0, end = 0;  // the token's bytes
  std::string_view text;      // the symbol, the comment's inside, the tag's name, the NAG's digits
  std::string_view value;     // the tag's value as written, escapes and all
  bool quoted = false;        // the value was in quotes
};

// The words a file may use, in its encoding: full-width digits and the signs after a move
// number, the ideographic space, and results in PGN's words and in Chinese.
struct TextForms {
  Encoding encoding;
  std::string digits[10];  // ０…９
  std::string dot, ellipsis, comma, space;  // ． … 、 and U+3000
  std::vector<std::pair<std::string, std::string>> results;  // the word, the PGN result
  static const TextForms& Of(Encoding encoding);
};

class PgnLexer {
 public:
  // Reads text[pos, end) (end npos: to the end), counting lines from `line`.
  PgnLexer(std::string_view text, Encoding encoding, size_t pos = 0, int line = 1,
           size_t end = std::string_view::npos);
  PgnToken Next();
  size_t Pos() const { return pos_; }

 private:
  size_t SpaceLength(size_t at) const;
  void SkipSpace();
  void Advance(size_t to);  // counting the lines passed
  void Tag(PgnToken& token);
  void Comment(PgnToken& token);
  size_t LineEnd(size_t at) const;

  std::string_view text_;
  const TextForms& forms_;
  size_t pos_;
  int line_;
};

// Whether a line is a whole tag, [Name "value"]: such a line ends a comment left open before it.
bool IsTagLine(std::string_view line, Encoding encoding);

// The comment with each of its lines that would read as a tag line starting with the full-width
// "［" instead of "[", so that it reads back as one comment.
std::string WithoutTagLines(std::string_view comment);

// What a symbol of move text is.
struct PgnSymbol {
  enum Kind : uint8_t { kMove, kNumber, kResult, kMark };
  Kind kind = kMove;
  int number = 0;              // a move number before the move (or alone), 0 when none
  bool black = false;          // "1..." or "1…": black's move follows
  bool dotted = false;         // a sign followed the number: "1." rather than "1"
  std::string_view move;       // the move, without its number and marks
  std::string_view mark;       // !, ?, !!, ??, !?, ?! after the move (or alone)
  std::string_view result;     // "1-0", "0-1", "1/2-1/2" or "*"
};
PgnSymbol ClassifySymbol(std::string_view text, const TextForms& forms);

// A tag's value without its escapes (\" and \\), from UTF-8 text.
std::string TagValue(const PgnToken& tag);

}  // namespace record
