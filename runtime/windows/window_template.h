// The window template: the windows of the program, their units, each unit's settings and the game
// routines bound to unit events, as one embedded block that the runtime reads once at start.
//
// The block (all integers 32-bit little-endian; a "string" or "buffer" is a 32-bit length and that
// many bytes, a "zero-terminated" text ends at its first zero byte):
//   window table: size B = 8 x windows, the WindowIds, then as many slots for the window objects;
//   per window: a slot, a second identifier, two strings, then the unit list: count n, size S of
//   the rest of the list, n UnitIds, n offsets (from the first byte after the offsets), and n unit
//   records, each a 32-bit length and that many bytes. The first record is the window itself.
// docs/window_template.md describes every field; unit_types.h holds the settings of each type.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/windows/event_handlers.h"
#include "runtime/windows/unit_types.h"

namespace runtime {

struct EventBinding {
  int32_t event = 0;
  int32_t reference = kNoHandler;
  // Filled when the bindings are resolved; null when there is no handler.
  EventHandler routine = nullptr;
  std::string_view handlerName;
};

// One property value of a unit's settings.
struct SettingField {
  int16_t property = 0;
  FieldKind kind = FieldKind::kNumber;
  int32_t number = 0;  // kNumber
  std::string bytes;   // kBuffer and kString (GBK text for strings)
};

enum class SettingsState {
  kRead,           // every field of the stored version was read
  kVersionTooNew,  // the stored version is above the highest the type reads: creation fails
  kUnknownType,    // a type the runtime does not know: creation fails
};

struct UnitSettings {
  SettingsState state = SettingsState::kRead;
  uint32_t version = 0;
  std::vector<SettingField> fields;  // in stored order; empty unless state is kRead
  std::vector<uint8_t> raw;          // the settings bytes as stored, version included

  const SettingField* Find(int property) const;
  // The number of a property, or `missing` when the settings do not hold it.
  int32_t Number(int property, int32_t missing = 0) const;
  // The bytes of a buffer or string property; empty when the settings do not hold it.
  std::string_view Bytes(int property) const;
};

namespace unit_flag {
inline constexpr uint32_t kVisible = 1;
inline constexpr uint32_t kDisabled = 2;
inline constexpr uint32_t kTabStop = 4;
}  // namespace unit_flag

struct UnitRecord {
  UnitId id = 0;
  UnitTypeCode type = 0;
  std::array<uint32_t, 5> reserved{};
  std::string name;  // GBK; empty for the window's own record
  std::string remark;
  int32_t left = 0, top = 0, width = 0, height = 0;
  UnitId container = 0;  // 0 = the window
  std::vector<UnitId> members;
  std::vector<uint8_t> cursorData;  // empty = the standard pointer
  std::string tag;
  uint32_t word0 = 0;
  uint32_t flags = 0;
  uint32_t word2 = 0;
  std::vector<EventBinding> bindings;
  std::array<uint32_t, 5> reservedTail{};
  UnitSettings settings;

  // Runtime slots: the live unit object and its mouse pointer while the window exists.
  void* object = nullptr;
  void* cursor = nullptr;

  bool Visible() const { return (flags & unit_flag::kVisible) != 0; }
  bool Disabled() const { return (flags & unit_flag::kDisabled) != 0; }
  bool TabStop() const { return (flags & unit_flag::kTabStop) != 0; }
  // The first binding of the event in stored order, or null.
  const EventBinding* FindBinding(int32_t event) const;
};

struct WindowRecord {
  WindowId id = 0;
  uint32_t ident = 0;  // the second identifier (high byte 0x19), unused by the game
  std::string text1, text2;
  std::vector<UnitRecord> units;  // the window's own record first

  void* object = nullptr;  // runtime slot: the live window
  void* recordSlot = nullptr;

  UnitRecord* FindUnit(UnitId id);
  const UnitRecord* FindUnit(UnitId id) const;
};

struct WindowTemplate {
  std::vector<WindowRecord> windows;
  size_t consumed = 0;  // bytes of the block the read used: all of them

  WindowRecord* FindWindow(WindowId id);
  const WindowRecord* FindWindow(WindowId id) const;
  UnitRecord* FindUnit(WindowId window, UnitId unit);
  const UnitRecord* FindUnit(WindowId window, UnitId unit) const;
};

struct TemplateFault {
  size_t offset = 0;  // where in the block the read gave up
  std::string what;
};

// Reads a whole block. Nothing (and the fault, when asked for) when any read runs past its data,
// a count or offset disagrees with the data, an identifier repeats, a window's first record is not
// a window, a known type's settings do not match their version, or bytes are left over.
std::optional<WindowTemplate> ReadWindowTemplate(std::span<const uint8_t> block,
                                                 TemplateFault* fault = nullptr);
// Turns every binding's reference into the registered routine; -1 and unknown references into
// no handler.
void ResolveEventBindings(WindowTemplate& windows);

// The program's own template, compiled into it.
std::span<const uint8_t> EmbeddedWindowTemplate();
// Reads the embedded template and resolves its bindings; a fault is the runtime error
// "载入窗口模板数据段出错!". Run once at start, after the game registered its handlers.
void LoadWindowTemplate();
// The same for any block (the start-up path, open to tests).
void LoadWindowTemplate(std::span<const uint8_t> block);
// The template loaded at start (empty before).
WindowTemplate& LoadedWindowTemplate();

std::string_view UnitTypeName(UnitTypeCode type);  // "?" for an unknown type

}  // namespace runtime
