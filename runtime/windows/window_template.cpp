#include "runtime/windows/window_template.h"

#include <algorithm>
#include <cstring>

#include "runtime/error.h"
#include "runtime/text_codec.h"

extern "C" const unsigned char WindowTemplateBlock[];
extern "C" const unsigned long WindowTemplateBlock_size;

namespace runtime {

namespace {

// Thrown inside the reader only; ReadWindowTemplate turns it into a fault.
struct ReadError {
  size_t offset;
  const char* what;
};

// Reads little-endian fields from one stretch of the block; every read is tested against the end
// of that stretch, never against the whole block.
class Cursor {
 public:
  Cursor(std::span<const uint8_t> data, size_t base) : data_(data), base_(base) {}

  size_t Remaining() const { return data_.size() - pos_; }
  size_t Offset() const { return base_ + pos_; }
  bool AtEnd() const { return pos_ == data_.size(); }

  [[noreturn]] void Fail(const char* what) const { throw ReadError{Offset(), what}; }

  uint32_t U32(const char* what) {
    if (Remaining() < 4) Fail(what);
    const uint8_t* p = data_.data() + pos_;
    pos_ += 4;
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
  }
  int32_t I32(const char* what) { return static_cast<int32_t>(U32(what)); }

  // A 32-bit count of items of `itemSize` bytes each, tested against the data left before
  // anything is allocated for it.
  uint32_t Count(size_t itemSize, const char* what) {
    uint32_t n = U32(what);
    if (uint64_t{n} * itemSize > Remaining()) Fail(what);
    return n;
  }

  std::span<const uint8_t> Take(size_t n, const char* what) {
    if (n > Remaining()) Fail(what);
    auto part = data_.subspan(pos_, n);
    pos_ += n;
    return part;
  }
  Cursor Sub(size_t n, const char* what) {
    size_t at = Offset();
    return Cursor(Take(n, what), at);
  }

  std::string Counted(const char* what) {
    uint32_t n = U32(what);
    auto bytes = Take(n, what);
    return std::string(bytes.begin(), bytes.end());
  }
  std::string ZeroTerminated(const char* what) {
    const uint8_t* begin = data_.data() + pos_;
    const void* zero = std::memchr(begin, 0, Remaining());
    if (zero == nullptr) Fail(what);
    size_t n = static_cast<const uint8_t*>(zero) - begin;
    pos_ += n + 1;
    return std::string(begin, begin + n);
  }

 private:
  std::span<const uint8_t> data_;
  size_t base_;
  size_t pos_ = 0;
};

// Sorting keeps a block with a huge table from taking quadratic time.
template <typename Record, typename Key>
bool HasRepeats(const std::vector<Record>& records, Key key) {
  std::vector<uint32_t> ids;
  ids.reserve(records.size());
  for (const Record& r : records) ids.push_back(key(r));
  std::sort(ids.begin(), ids.end());
  return std::adjacent_find(ids.begin(), ids.end()) != ids.end();
}

void ReadSettings(Cursor& in, UnitRecord& unit) {
  size_t start = in.Offset();
  auto rest = in.Take(in.Remaining(), "settings");
  unit.settings.raw.assign(rest.begin(), rest.end());
  Cursor s(rest, start);
  UnitSettings& settings = unit.settings;
  settings.version = s.U32("settings version");

  const TypeLayout* layout = FindTypeLayout(unit.type);
  if (layout == nullptr) {
    settings.state = SettingsState::kUnknownType;
    return;
  }
  if (settings.version > layout->maxVersion) {
    settings.state = SettingsState::kVersionTooNew;
    return;
  }
  if (settings.version == 0) s.Fail("settings version 0");
  for (const FieldLayout& f : layout->fields) {
    if (f.sinceVersion > settings.version) continue;
    SettingField field;
    field.property = f.property;
    field.kind = f.kind;
    if (f.kind == FieldKind::kNumber)
      field.number = s.I32("settings value");
    else
      field.bytes = s.Counted("settings buffer");
    settings.fields.push_back(std::move(field));
  }
  if (!s.AtEnd()) s.Fail("bytes after the settings");
}

UnitRecord ReadUnit(Cursor& in, UnitId id) {
  UnitRecord unit;
  unit.id = id;
  unit.type = in.U32("unit type");
  for (auto& w : unit.reserved) w = in.U32("reserved words");
  unit.name = in.ZeroTerminated("unit name");
  unit.remark = in.ZeroTerminated("unit remark");
  in.U32("object slot");
  unit.left = in.I32("left");
  unit.top = in.I32("top");
  unit.width = in.I32("width");
  unit.height = in.I32("height");
  in.U32("cursor slot");
  unit.container = in.U32("container");
  uint32_t k = in.Count(4, "member count");
  unit.members.reserve(k);
  for (uint32_t i = 0; i < k; ++i) unit.members.push_back(in.U32("members"));
  auto cursor = in.Take(in.U32("cursor data length"), "cursor data");
  unit.cursorData.assign(cursor.begin(), cursor.end());
  unit.tag = in.ZeroTerminated("tag");
  unit.word0 = in.U32("word 0");
  unit.flags = in.U32("flags");
  unit.word2 = in.U32("word 2");
  uint32_t m = in.Count(8, "binding count");
  unit.bindings.reserve(m);
  for (uint32_t i = 0; i < m; ++i) {
    EventBinding b;
    b.event = in.I32("binding event");
    b.reference = in.I32("binding handler");
    unit.bindings.push_back(b);
  }
  for (auto& w : unit.reservedTail) w = in.U32("reserved words");
  ReadSettings(in, unit);
  return unit;
}

void ReadUnitList(Cursor& in, WindowRecord& window) {
  uint32_t n = in.U32("unit count");
  uint32_t size = in.U32("unit list size");
  Cursor list = in.Sub(size, "unit list size");
  if (n == 0) list.Fail("a window without units");
  if (uint64_t{n} * 8 > list.Remaining()) list.Fail("unit count");
  std::vector<UnitId> ids(n);
  std::vector<uint32_t> offsets(n);
  for (auto& id : ids) id = list.U32("unit identifiers");
  for (auto& offset : offsets) offset = list.U32("unit offsets");

  size_t recordsStart = list.Offset();
  // No reserve: a unit record is far larger than its 8 bytes of identifier and offset, so a
  // lying count would otherwise allocate many times the block before the first record fails.
  for (uint32_t i = 0; i < n; ++i) {
    if (offsets[i] != list.Offset() - recordsStart) list.Fail("unit offset");
    uint32_t length = list.U32("unit record length");
    Cursor record = list.Sub(length, "unit record length");
    window.units.push_back(ReadUnit(record, ids[i]));
  }
  if (!list.AtEnd()) list.Fail("bytes after the unit records");

  if (window.units.front().type != unit_type::kWindow) in.Fail("first unit is not the window");
  if (HasRepeats(window.units, [](const UnitRecord& u) { return u.id; }))
    in.Fail("repeated unit identifier");
}

WindowTemplate ReadAll(std::span<const uint8_t> block) {
  Cursor in(block, 0);
  WindowTemplate t;
  uint32_t tableSize = in.U32("window table size");
  if (tableSize % 8 != 0) in.Fail("window table size");
  Cursor table = in.Sub(tableSize, "window table size");
  size_t count = tableSize / 8;
  // Each window record holds at least a slot, an identifier, two string lengths, a count and a
  // size.
  if (uint64_t{count} * 24 > in.Remaining()) in.Fail("window table size");
  t.windows.resize(count);
  for (auto& w : t.windows) w.id = table.U32("window identifiers");
  if (HasRepeats(t.windows, [](const WindowRecord& w) { return w.id; }))
    in.Fail("repeated window identifier");

  for (auto& w : t.windows) {
    in.U32("window slot");
    w.ident = in.U32("window ident");
    w.text1 = in.Counted("window text");
    w.text2 = in.Counted("window text");
    ReadUnitList(in, w);
  }
  if (!in.AtEnd()) in.Fail("bytes after the last window");
  t.consumed = in.Offset();
  return t;
}

WindowTemplate& Loaded() {
  static WindowTemplate loaded;
  return loaded;
}

}  // namespace

const SettingField* UnitSettings::Find(int property) const {
  for (const SettingField& f : fields)
    if (f.property == property) return &f;
  return nullptr;
}

int32_t UnitSettings::Number(int property, int32_t missing) const {
  const SettingField* f = Find(property);
  return f != nullptr && f->kind == FieldKind::kNumber ? f->number : missing;
}

std::string_view UnitSettings::Bytes(int property) const {
  const SettingField* f = Find(property);
  return f != nullptr && f->kind != FieldKind::kNumber ? std::string_view(f->bytes)
                                                       : std::string_view();
}

const EventBinding* UnitRecord::FindBinding(int32_t event) const {
  for (const EventBinding& b : bindings)
    if (b.event == event) return &b;
  return nullptr;
}

UnitRecord* WindowRecord::FindUnit(UnitId id) {
  for (UnitRecord& u : units)
    if (u.id == id) return &u;
  return nullptr;
}
const UnitRecord* WindowRecord::FindUnit(UnitId id) const {
  return const_cast<WindowRecord*>(this)->FindUnit(id);
}

WindowRecord* WindowTemplate::FindWindow(WindowId id) {
  for (WindowRecord& w : windows)
    if (w.id == id) return &w;
  return nullptr;
}
const WindowRecord* WindowTemplate::FindWindow(WindowId id) const {
  return const_cast<WindowTemplate*>(this)->FindWindow(id);
}

UnitRecord* WindowTemplate::FindUnit(WindowId window, UnitId unit) {
  WindowRecord* w = FindWindow(window);
  return w != nullptr ? w->FindUnit(unit) : nullptr;
}
const UnitRecord* WindowTemplate::FindUnit(WindowId window, UnitId unit) const {
  return const_cast<WindowTemplate*>(this)->FindUnit(window, unit);
}

std::optional<WindowTemplate> ReadWindowTemplate(std::span<const uint8_t> block,
                                                 TemplateFault* fault) {
  try {
    return ReadAll(block);
  } catch (const ReadError& e) {
    if (fault != nullptr) *fault = TemplateFault{e.offset, e.what};
    return std::nullopt;
  }
}

void ResolveEventBindings(WindowTemplate& windows) {
  for (WindowRecord& w : windows.windows)
    for (UnitRecord& u : w.units)
      for (EventBinding& b : u.bindings) {
        const HandlerEntry* entry = FindEventHandler(b.reference);
        b.routine = entry != nullptr ? entry->routine : nullptr;
        b.handlerName = entry != nullptr ? entry->name : std::string_view();
      }
}

std::span<const uint8_t> EmbeddedWindowTemplate() {
  return {WindowTemplateBlock, static_cast<size_t>(WindowTemplateBlock_size)};
}

void LoadWindowTemplate() {
  LoadWindowTemplate(EmbeddedWindowTemplate());
}

void LoadWindowTemplate(std::span<const uint8_t> block) {
  auto read = ReadWindowTemplate(block);
  if (!read) RaiseCommandError(Gb("载入窗口模板数据段出错!"));
  Loaded() = std::move(*read);
  ResolveEventBindings(Loaded());
}

WindowTemplate& LoadedWindowTemplate() {
  return Loaded();
}

std::string_view UnitTypeName(UnitTypeCode type) {
  const TypeLayout* layout = FindTypeLayout(type);
  return layout != nullptr ? layout->name : std::string_view("?");
}

}  // namespace runtime
