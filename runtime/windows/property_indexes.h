// Every property index the runtime and the game use, in one place: the common properties of all
// units, then each type's own (type properties start at 8). The settings layouts in
// unit_types.h store the same properties in the template's field order.
#pragma once

#include <cstdint>

namespace runtime {

// The common properties, handled by the runtime for every type.
namespace property {
inline constexpr int32_t kLeft = 0;
inline constexpr int32_t kTop = 1;
inline constexpr int32_t kWidth = 2;
inline constexpr int32_t kHeight = 3;
inline constexpr int32_t kTag = 4;
inline constexpr int32_t kVisible = 5;
inline constexpr int32_t kDisabled = 6;
inline constexpr int32_t kMousePointer = 7;
inline constexpr int32_t kFirstTypeProperty = 8;
}  // namespace property

namespace window_property {
inline constexpr int32_t kCaption = 8;
inline constexpr int32_t kBorderStyle = 9;
inline constexpr int32_t kBackgroundColour = 10;
inline constexpr int32_t kBackgroundPicture = 11;
inline constexpr int32_t kPicturePlacement = 12;
inline constexpr int32_t kControlBox = 15;
inline constexpr int32_t kMaximizeBox = 16;
inline constexpr int32_t kMinimizeBox = 17;
inline constexpr int32_t kStartPosition = 18;
inline constexpr int32_t kCloseAllowed = 19;
inline constexpr int32_t kIcon = 20;
inline constexpr int32_t kEnterMovesFocus = 21;
inline constexpr int32_t kEscapeCloses = 22;
inline constexpr int32_t kF1OpensHelp = 23;
inline constexpr int32_t kHelpFile = 24;
inline constexpr int32_t kDragByBackground = 27;
inline constexpr int32_t kAlwaysOnTop = 29;
}  // namespace window_property

namespace panel_property {
inline constexpr int32_t kBorder = 8;
inline constexpr int32_t kBackgroundColour = 9;
inline constexpr int32_t kBackgroundPicture = 10;
inline constexpr int32_t kPicturePlacement = 11;
inline constexpr int32_t kPersistentBitmap = 12;
inline constexpr int32_t kPenType = 14;
inline constexpr int32_t kDrawingMode = 15;
inline constexpr int32_t kPenWidth = 16;
inline constexpr int32_t kPenColour = 17;
inline constexpr int32_t kBrushColour = 19;
}  // namespace panel_property

namespace label_property {
inline constexpr int32_t kCaption = 8;
inline constexpr int32_t kTextEffect = 9;
inline constexpr int32_t kBorder = 10;
inline constexpr int32_t kTextColour = 16;
inline constexpr int32_t kBackgroundColour = 17;
inline constexpr int32_t kAlignment = 24;
inline constexpr int32_t kWordWrap = 25;
inline constexpr int32_t kVerticalAlignment = 26;
}  // namespace label_property

namespace trans_label_property {
inline constexpr int32_t kCaption = 8;
inline constexpr int32_t kTextColour = 11;
}  // namespace trans_label_property

namespace button_property {
inline constexpr int32_t kPicture = 8;
inline constexpr int32_t kKind = 9;
inline constexpr int32_t kCaption = 10;
inline constexpr int32_t kAlignment = 11;
}  // namespace button_property

namespace picture_box_property {
inline constexpr int32_t kBorder = 8;
inline constexpr int32_t kBackgroundColour = 9;
inline constexpr int32_t kPicture = 10;
inline constexpr int32_t kPlacement = 11;
}  // namespace picture_box_property

namespace link_property {
inline constexpr int32_t kCaption = 8;
inline constexpr int32_t kLinkKind = 9;
inline constexpr int32_t kMailAddress = 10;
inline constexpr int32_t kWebAddress = 11;
inline constexpr int32_t kColour = 12;
inline constexpr int32_t kHoverColour = 13;
inline constexpr int32_t kVisitedColour = 14;
inline constexpr int32_t kBackgroundColour = 15;
}  // namespace link_property

namespace dialog_property {
inline constexpr int32_t kKind = 8;
inline constexpr int32_t kTitle = 9;
inline constexpr int32_t kFileName = 10;
inline constexpr int32_t kFilter = 11;
inline constexpr int32_t kFilterIndex = 12;
inline constexpr int32_t kInitialFolder = 13;
inline constexpr int32_t kDefaultExtension = 14;
inline constexpr int32_t kCreatePrompt = 15;
inline constexpr int32_t kFileMustExist = 16;
inline constexpr int32_t kConfirmOverwrite = 17;
inline constexpr int32_t kPathMustExist = 18;
}  // namespace dialog_property

}  // namespace runtime
