// template_compiler: turns the readable description of the program's windows (assets/
// window_template.txt) and the pictures it names into the binary window template block.
//
//   template_compiler DESCRIPTION OUTPUT
//
// Texts in the description are UTF-8 and are written in GBK (GB18030); file names are relative to
// the description's folder. Every settings field of a unit's type and version must be given once.
// Any mistake stops the build with the line it was found on.
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/windows/event_handlers.h"
#include "runtime/windows/unit_types.h"

namespace {

using runtime::FieldKind;
using runtime::FieldLayout;
using runtime::TypeLayout;

struct Failure {
  std::string message;
};

struct Unit {
  int line = 0;
  uint32_t id = 0;
  const TypeLayout* type = nullptr;
  std::string name, remark, tag;
  bool hasRect = false, hasVisible = false;
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint32_t container = 0;
  uint32_t flags = 0;
  std::vector<std::pair<int32_t, int32_t>> bindings;
  bool hasVersion = false;
  uint32_t version = 0;
  std::map<std::string, std::pair<int32_t, std::string>> fields;  // number or bytes by name
};

struct Window {
  uint32_t id = 0, ident = 0;
  std::string text1, text2;
  std::vector<Unit> units;
};

std::string ToGbk(const std::string& utf8) {
  iconv_t cd = iconv_open("GB18030", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw Failure{"no UTF-8 to GB18030 conversion"};
  std::string out(utf8.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(utf8.data());
  size_t srcLeft = utf8.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) throw Failure{"text is not valid UTF-8: " + utf8};
  out.resize(out.size() - dstLeft);
  return out;
}

// Splits a line into words; a quoted word may hold blanks and the escapes \" and \\, and keeps
// its quotes so that a text can be told from a number.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
    } else if (line[i] == '#') {
      break;
    } else if (line[i] == '"') {
      std::string w = "\"";
      ++i;
      while (i < line.size() && line[i] != '"') {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        w += line[i++];
      }
      if (i == line.size()) throw Failure{"unterminated text"};
      ++i;
      words.push_back(w);
    } else {
      size_t j = i;
      while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
      words.push_back(line.substr(i, j - i));
      i = j;
    }
  }
  return words;
}

bool IsText(const std::string& w) {
  return !w.empty() && w[0] == '"';
}

std::string Text(const std::string& w) {
  if (!IsText(w)) throw Failure{"expected a quoted text, got " + w};
  return ToGbk(w.substr(1));
}

int64_t Number(const std::string& w) {
  if (w.empty() || IsText(w)) throw Failure{"expected a number, got " + w};
  size_t used = 0;
  long long v = 0;
  try {
    v = std::stoll(w, &used, 0);
  } catch (...) {
    used = 0;
  }
  if (used != w.size() || v < INT32_MIN || v > UINT32_MAX) throw Failure{"bad number " + w};
  return v;
}

int32_t Int32(const std::string& w) {
  return static_cast<int32_t>(Number(w));
}
uint32_t Word(const std::string& w) {
  return static_cast<uint32_t>(Number(w));
}

bool YesNo(const std::string& w) {
  if (w == "yes") return true;
  if (w == "no") return false;
  throw Failure{"expected yes or no, got " + w};
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure{"cannot read " + path.string()};
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Need(const std::vector<std::string>& w, size_t n) {
  if (w.size() != n) throw Failure{"'" + w[0] + "' takes " + std::to_string(n - 1) + " values"};
}

class Parser {
 public:
  explicit Parser(std::filesystem::path folder) : folder_(std::move(folder)) {}

  void Line(const std::vector<std::string>& w) {
    const std::string& key = w[0];
    if (key == "window") {
      Need(w, 3);
      windows_.push_back(Window{Word(w[1]), Word(w[2]), {}, {}, {}});
      return;
    }
    if (windows_.empty()) throw Failure{"'" + key + "' before the first window"};
    Window& window = windows_.back();
    if (key == "texts") {
      Need(w, 3);
      window.text1 = Text(w[1]);
      window.text2 = Text(w[2]);
      return;
    }
    if (key == "unit") {
      Need(w, 4);
      Unit u;
      u.line = line_;
      u.id = Word(w[1]);
      u.type = runtime::FindTypeLayout(std::string_view(w[2]));
      if (u.type == nullptr) throw Failure{"unknown unit type " + w[2]};
      u.name = Text(w[3]);
      window.units.push_back(std::move(u));
      return;
    }
    if (window.units.empty()) throw Failure{"'" + key + "' before the first unit"};
    UnitLine(window.units.back(), w);
  }

  std::vector<Window> Finish() {
    if (windows_.empty()) throw Failure{"no windows"};
    for (const Window& window : windows_) {
      if (window.units.empty()) throw Failure{"a window without units"};
      for (const Unit& u : window.units) Check(u);
    }
    return std::move(windows_);
  }

  int line_ = 0;

 private:
  void UnitLine(Unit& u, const std::vector<std::string>& w) {
    const std::string& key = w[0];
    if (key == "rect") {
      Need(w, 5);
      u.left = Int32(w[1]);
      u.top = Int32(w[2]);
      u.width = Int32(w[3]);
      u.height = Int32(w[4]);
      u.hasRect = true;
    } else if (key == "visible" || key == "disabled" || key == "tab-stop") {
      Need(w, 2);
      uint32_t bit = key == "visible" ? 1 : key == "disabled" ? 2 : 4;
      if (YesNo(w[1])) u.flags |= bit;
      if (key == "visible") u.hasVisible = true;
    } else if (key == "remark") {
      Need(w, 2);
      u.remark = Text(w[1]);
    } else if (key == "tag") {
      Need(w, 2);
      u.tag = Text(w[1]);
    } else if (key == "container") {
      Need(w, 2);
      u.container = Word(w[1]);
    } else if (key == "bind") {
      Need(w, 3);
      int32_t reference = w[2] == "none" ? runtime::kNoHandler : runtime::HandlerReference(w[2]);
      u.bindings.emplace_back(Int32(w[1]), reference);
    } else if (key == "version") {
      Need(w, 2);
      u.version = Word(w[1]);
      u.hasVersion = true;
    } else {
      Field(u, w);
    }
  }

  void Field(Unit& u, const std::vector<std::string>& w) {
    const FieldLayout* field = nullptr;
    for (const FieldLayout& f : u.type->fields)
      if (f.name == w[0]) field = &f;
    if (field == nullptr)
      throw Failure{"'" + w[0] + "' is no setting of " + std::string(u.type->name)};
    if (u.fields.count(w[0]) != 0) throw Failure{"'" + w[0] + "' given twice"};
    std::pair<int32_t, std::string> value;
    if (field->kind == FieldKind::kNumber) {
      Need(w, 2);
      value.first = Int32(w[1]);
    } else if (field->kind == FieldKind::kString) {
      Need(w, 2);
      value.second = Text(w[1]);
    } else if (w.size() == 2 && w[1] == "empty") {
    } else if (w.size() == 3 && w[1] == "file") {
      if (!IsText(w[2])) throw Failure{"a file name is quoted"};
      value.second = ReadFileBytes(folder_ / w[2].substr(1));
      if (value.second.empty()) throw Failure{"empty file " + w[2]};
    } else {
      throw Failure{"a buffer is 'empty' or 'file \"NAME\"'"};
    }
    u.fields[w[0]] = std::move(value);
  }

  static void Check(const Unit& u) {
    auto fail = [&](const std::string& what) {
      throw Failure{"unit at line " + std::to_string(u.line) + ": " + what};
    };
    if (!u.hasRect) fail("no rect");
    if (!u.hasVisible) fail("no visible");
    if (!u.hasVersion || u.version < 1 || u.version > u.type->maxVersion) fail("bad version");
    for (const FieldLayout& f : u.type->fields) {
      bool present = f.sinceVersion <= u.version;
      if (present && u.fields.count(std::string(f.name)) == 0) fail("no " + std::string(f.name));
      if (!present && u.fields.count(std::string(f.name)) != 0)
        fail(std::string(f.name) + " is not in version " + std::to_string(u.version));
    }
  }

  std::filesystem::path folder_;
  std::vector<Window> windows_;
};

class Writer {
 public:
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_ += static_cast<char>((v >> (8 * i)) & 0xff);
  }
  void Counted(const std::string& s) {
    U32(static_cast<uint32_t>(s.size()));
    bytes_ += s;
  }
  void Zero(const std::string& s) {
    if (s.find('\0') != std::string::npos) throw Failure{"a zero byte inside a name or tag"};
    bytes_ += s;
    bytes_ += '\0';
  }
  void Raw(const std::string& s) { bytes_ += s; }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

std::string UnitBytes(const Unit& u) {
  Writer w;
  w.U32(u.type->code);
  for (int i = 0; i < 5; ++i) w.U32(0);
  w.Zero(u.name);
  w.Zero(u.remark);
  w.U32(0);  // object slot
  w.U32(static_cast<uint32_t>(u.left));
  w.U32(static_cast<uint32_t>(u.top));
  w.U32(static_cast<uint32_t>(u.width));
  w.U32(static_cast<uint32_t>(u.height));
  w.U32(0);  // cursor slot
  w.U32(u.container);
  w.U32(0);  // no members
  w.U32(0);  // no mouse-pointer picture: the standard pointer
  w.Zero(u.tag);
  w.U32(0);
  w.U32(u.flags);
  w.U32(0);
  w.U32(static_cast<uint32_t>(u.bindings.size()));
  for (auto [event, reference] : u.bindings) {
    w.U32(static_cast<uint32_t>(event));
    w.U32(static_cast<uint32_t>(reference));
  }
  for (int i = 0; i < 5; ++i) w.U32(0);
  w.U32(u.version);
  for (const FieldLayout& f : u.type->fields) {
    if (f.sinceVersion > u.version) continue;
    const auto& value = u.fields.at(std::string(f.name));
    if (f.kind == FieldKind::kNumber)
      w.U32(static_cast<uint32_t>(value.first));
    else
      w.Counted(value.second);
  }
  return w.Bytes();
}

std::string TemplateBytes(const std::vector<Window>& windows) {
  Writer w;
  w.U32(static_cast<uint32_t>(8 * windows.size()));
  for (const Window& window : windows) w.U32(window.id);
  for (size_t i = 0; i < windows.size(); ++i) w.U32(0);  // window object slots
  for (const Window& window : windows) {
    w.U32(0);  // runtime slot
    w.U32(window.ident);
    w.Counted(window.text1);
    w.Counted(window.text2);

    std::vector<std::string> records;
    for (const Unit& u : window.units) records.push_back(UnitBytes(u));
    Writer list;
    for (const Unit& u : window.units) list.U32(u.id);
    uint32_t offset = 0;
    for (const std::string& r : records) {
      list.U32(offset);
      offset += 4 + static_cast<uint32_t>(r.size());
    }
    for (const std::string& r : records) list.Counted(r);
    w.U32(static_cast<uint32_t>(window.units.size()));
    w.Counted(list.Bytes());
  }
  return w.Bytes();
}

int Run(const char* descriptionPath, const char* outputPath) {
  std::ifstream in(descriptionPath);
  if (!in) throw Failure{std::string("cannot read ") + descriptionPath};
  Parser parser(std::filesystem::path(descriptionPath).parent_path());
  std::string line;
  while (std::getline(in, line)) {
    ++parser.line_;
    std::vector<std::string> words;
    try {
      words = Words(line);
      if (!words.empty()) parser.Line(words);
    } catch (const Failure& f) {
      throw Failure{"line " + std::to_string(parser.line_) + ": " + f.message};
    }
  }
  std::string block = TemplateBytes(parser.Finish());

  std::string temporary = std::string(outputPath) + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    if (!out) throw Failure{"cannot write " + temporary};
  }
  std::filesystem::rename(temporary, outputPath);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: template_compiler DESCRIPTION OUTPUT\n");
    return 2;
  }
  try {
    return Run(argv[1], argv[2]);
  } catch (const Failure& f) {
    std::fprintf(stderr, "template_compiler: %s: %s\n", argv[1], f.message.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "template_compiler: %s\n", e.what());
    return 1;
  }
}
