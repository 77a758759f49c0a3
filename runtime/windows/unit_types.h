// The unit types of the window template and the layout of each type's settings.
//
// Each type's settings start with a 32-bit version and then hold the type's own properties in a
// fixed order: 32-bit numbers, byte buffers (32-bit length + bytes) and strings (32-bit length +
// bytes). A field present only from some version on carries that version. The table below is the
// one description of that order: the template reader and the template compiler both walk it.
//
// This header depends on nothing but the standard library, so that the host tools can use it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace runtime {

using WindowId = uint32_t;
using UnitId = uint32_t;
using UnitTypeCode = uint32_t;

// Library number x 65536 + type number.
namespace unit_type {
inline constexpr UnitTypeCode kWindow = 0x10001;
inline constexpr UnitTypeCode kPicBox = 0x10006;
inline constexpr UnitTypeCode kDrawPanel = 0x10008;
inline constexpr UnitTypeCode kLabel = 0x1000a;
inline constexpr UnitTypeCode kButton = 0x1000b;
inline constexpr UnitTypeCode kHyperLinker = 0x1001d;
inline constexpr UnitTypeCode kCommonDlg = 0x1001f;
inline constexpr UnitTypeCode kTransLabel = 0x20005;
}  // namespace unit_type

enum class FieldKind : uint8_t { kNumber, kBuffer, kString };

struct FieldLayout {
  int16_t property;  // the property index the field sets
  FieldKind kind;
  uint8_t sinceVersion;   // present when the settings' version is at least this
  std::string_view name;  // the field's name in the template description
};

struct TypeLayout {
  UnitTypeCode code;
  std::string_view name;
  uint32_t maxVersion;  // the highest settings version this type reads
  std::span<const FieldLayout> fields;
};

namespace layout_detail {

using K = FieldKind;

inline constexpr FieldLayout kWindowFields[] = {
    {9, K::kNumber, 1, "border-style"},
    {12, K::kNumber, 1, "picture-placement"},
    {10, K::kNumber, 1, "background-colour"},
    {16, K::kNumber, 1, "maximize-box"},
    {17, K::kNumber, 1, "minimize-box"},
    {15, K::kNumber, 1, "control-box"},
    {18, K::kNumber, 1, "start-position"},
    {19, K::kNumber, 1, "close-allowed"},
    {14, K::kNumber, 1, "property-14"},
    {21, K::kNumber, 1, "enter-moves-focus"},
    {22, K::kNumber, 1, "escape-closes"},
    {23, K::kNumber, 1, "f1-opens-help"},
    {25, K::kNumber, 1, "help-topic"},
    {26, K::kNumber, 2, "taskbar-button"},
    {27, K::kNumber, 3, "drag-by-background"},
    {28, K::kNumber, 3, "property-28"},
    {29, K::kNumber, 4, "always-on-top"},
    {30, K::kNumber, 5, "property-30"},
    {31, K::kString, 6, "property-31"},
    {11, K::kBuffer, 1, "background-picture"},
    {20, K::kBuffer, 1, "icon"},
    {13, K::kBuffer, 1, "music"},
    {8, K::kString, 1, "caption"},
    {24, K::kString, 1, "help-file"},
};

inline constexpr FieldLayout kDrawPanelFields[] = {
    {8, K::kNumber, 1, "border"},
    {9, K::kNumber, 1, "background-colour"},
    {11, K::kNumber, 1, "picture-placement"},
    {12, K::kNumber, 1, "persistent-bitmap"},
    {13, K::kNumber, 1, "drawing-unit"},
    {14, K::kNumber, 1, "pen-type"},
    {15, K::kNumber, 1, "drawing-mode"},
    {16, K::kNumber, 1, "pen-width"},
    {17, K::kNumber, 1, "pen-colour"},
    {18, K::kNumber, 1, "brush-type"},
    {19, K::kNumber, 1, "brush-colour"},
    {20, K::kNumber, 1, "text-colour"},
    {21, K::kNumber, 1, "text-background-colour"},
    {22, K::kBuffer, 1, "font"},
    {10, K::kBuffer, 1, "background-picture"},
};

inline constexpr FieldLayout kButtonFields[] = {
    {9, K::kNumber, 1, "kind"},
    {11, K::kNumber, 1, "horizontal-alignment"},
    {12, K::kNumber, 1, "vertical-alignment"},
    {8, K::kBuffer, 1, "picture"},
    {13, K::kBuffer, 1, "font"},
    {10, K::kString, 1, "caption"},
};

inline constexpr FieldLayout kTransLabelFields[] = {
    {9, K::kNumber, 1, "property-9"},   {11, K::kNumber, 1, "text-colour"},
    {12, K::kNumber, 1, "property-12"}, {14, K::kNumber, 1, "property-14"},
    {13, K::kNumber, 1, "property-13"}, {10, K::kBuffer, 1, "font"},
    {8, K::kString, 1, "caption"},
};

inline constexpr FieldLayout kHyperLinkerFields[] = {
    {9, K::kNumber, 1, "link-kind"},
    {12, K::kNumber, 1, "colour"},
    {13, K::kNumber, 1, "hover-colour"},
    {14, K::kNumber, 1, "visited-colour"},
    {15, K::kNumber, 1, "background-colour"},
    {16, K::kNumber, 1, "property-16"},
    {17, K::kBuffer, 1, "font"},
    {8, K::kString, 1, "caption"},
    {10, K::kString, 1, "mail-address"},
    {11, K::kString, 1, "web-address"},
};

// After the five named options come three further ones (20 to 22), and after the default
// extension two more strings (23, 24); the game's dialog leaves them all off and empty.
inline constexpr FieldLayout kCommonDlgFields[] = {
    {8, K::kNumber, 1, "kind"},
    {12, K::kNumber, 1, "filter-index"},
    {15, K::kNumber, 1, "create-prompt"},
    {16, K::kNumber, 1, "file-must-exist"},
    {17, K::kNumber, 1, "confirm-overwrite"},
    {18, K::kNumber, 1, "path-must-exist"},
    {19, K::kNumber, 1, "keep-current-folder"},
    {20, K::kNumber, 1, "option-20"},
    {21, K::kNumber, 1, "option-21"},
    {22, K::kNumber, 1, "option-22"},
    {9, K::kString, 1, "title"},
    {10, K::kString, 1, "file-name"},
    {11, K::kString, 1, "filter"},
    {13, K::kString, 1, "initial-folder"},
    {14, K::kString, 1, "default-extension"},
    {23, K::kString, 1, "string-23"},
    {24, K::kString, 1, "string-24"},
};

inline constexpr FieldLayout kPicBoxFields[] = {
    {8, K::kNumber, 1, "border"},
    {9, K::kNumber, 1, "background-colour"},
    {11, K::kNumber, 1, "picture-placement"},
    {12, K::kNumber, 1, "property-12"},
    {10, K::kBuffer, 1, "picture"},
    {13, K::kString, 2, "string-13"},
    {14, K::kString, 2, "string-14"},
};

inline constexpr FieldLayout kLabelFields[] = {
    {9, K::kNumber, 1, "text-effect"},
    {11, K::kNumber, 1, "property-11"},
    {10, K::kNumber, 1, "border"},
    {12, K::kNumber, 1, "colour-12"},
    {13, K::kNumber, 1, "colour-13"},
    {14, K::kNumber, 1, "colour-14"},
    {16, K::kNumber, 1, "text-colour"},
    {17, K::kNumber, 1, "background-colour"},
    {19, K::kNumber, 1, "property-19"},
    {20, K::kNumber, 1, "property-20"},
    {21, K::kNumber, 1, "colour-21"},
    {22, K::kNumber, 1, "colour-22"},
    {23, K::kNumber, 1, "colour-23"},
    {24, K::kNumber, 1, "horizontal-alignment"},
    {26, K::kNumber, 1, "vertical-alignment"},
    {25, K::kNumber, 1, "word-wrap"},
    {15, K::kBuffer, 1, "font"},
    {18, K::kBuffer, 1, "background-picture"},
    {8, K::kString, 1, "caption"},
    {27, K::kString, 2, "string-27"},
    {28, K::kString, 2, "string-28"},
};

inline constexpr TypeLayout kTypes[] = {
    {unit_type::kWindow, "window", 6, kWindowFields},
    {unit_type::kPicBox, "PicBox", 2, kPicBoxFields},
    {unit_type::kDrawPanel, "DrawPanel", 1, kDrawPanelFields},
    {unit_type::kLabel, "Label", 2, kLabelFields},
    {unit_type::kButton, "Button", 1, kButtonFields},
    {unit_type::kHyperLinker, "HyperLinker", 1, kHyperLinkerFields},
    {unit_type::kCommonDlg, "CommonDlg", 1, kCommonDlgFields},
    {unit_type::kTransLabel, "TransLabel", 1, kTransLabelFields},
};

}  // namespace layout_detail

inline constexpr std::span<const TypeLayout> AllTypeLayouts() {
  return layout_detail::kTypes;
}

// Null for a type code or name the runtime does not know.
inline constexpr const TypeLayout* FindTypeLayout(UnitTypeCode code) {
  for (const TypeLayout& t : layout_detail::kTypes)
    if (t.code == code) return &t;
  return nullptr;
}
inline constexpr const TypeLayout* FindTypeLayout(std::string_view name) {
  for (const TypeLayout& t : layout_detail::kTypes)
    if (t.name == name) return &t;
  return nullptr;
}

}  // namespace runtime
