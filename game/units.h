// The units of the game's two windows by role, as the window template stores them, and the
// property indexes the game reads and writes. The window identifiers are written here only.
#pragma once

#include <cstdint>

#include "runtime/windows/property_indexes.h"
#include "runtime/windows/unit_ref.h"
#include "runtime/windows/unit_types.h"

namespace game {

using runtime::UnitRef;
namespace unit_type = runtime::unit_type;

inline constexpr runtime::WindowId kMainWindowId = 0x52010001;
inline constexpr runtime::WindowId kAboutWindowId = 0x5201054b;

// The main window and its units.
inline constexpr UnitRef MainWindow{kMainWindowId, 0x06010000, unit_type::kWindow};
inline constexpr UnitRef BoardPanel{kMainWindowId, 0x1601000c,
                                    unit_type::kDrawPanel};  // 画板游戏区
inline constexpr UnitRef BufferPanel{kMainWindowId, 0x160100b5,
                                     unit_type::kDrawPanel};  // 画板动画缓冲
inline constexpr UnitRef CleanBoardPanel{kMainWindowId, 0x16010172,
                                         unit_type::kDrawPanel};  // 备用画板
inline constexpr UnitRef StatusLabel{kMainWindowId, 0x16010539,
                                     unit_type::kTransLabel};  // 透明标签3
inline constexpr UnitRef StepLabel{kMainWindowId, 0x1601052e, unit_type::kTransLabel};  // 透明标签2
inline constexpr UnitRef TimeLabel{kMainWindowId, 0x1601052d, unit_type::kTransLabel};  // 透明标签1
inline constexpr UnitRef FileDialog{kMainWindowId, 0x160103f8,
                                    unit_type::kCommonDlg};  // 通用对话框1
inline constexpr UnitRef NewGameButton{kMainWindowId, 0x1601004c, unit_type::kButton};  // 开局
inline constexpr UnitRef OpenButton{kMainWindowId, 0x160103f5, unit_type::kButton};  // 读取棋局
inline constexpr UnitRef SaveButton{kMainWindowId, 0x160103f4, unit_type::kButton};  // 保存棋局
inline constexpr UnitRef ExitButton{kMainWindowId, 0x16010546, unit_type::kButton};  // 退出
inline constexpr UnitRef AboutButton{kMainWindowId, 0x16010548, unit_type::kButton};  // 关于

// The about window and the label that receives the about text.
inline constexpr UnitRef AboutWindow{kAboutWindowId, 0x0601054a, unit_type::kWindow};
inline constexpr UnitRef AboutLabel{kAboutWindowId, 0x1601054d, unit_type::kLabel};  // 标签1

// The property indexes the game reads and writes, by the runtime's names.
namespace prop {
inline constexpr int32_t kWidth = runtime::property::kWidth;
inline constexpr int32_t kHeight = runtime::property::kHeight;
inline constexpr int32_t kVisible = runtime::property::kVisible;
inline constexpr int32_t kCaption = runtime::label_property::kCaption;  // labels
static_assert(kCaption == runtime::trans_label_property::kCaption);
inline constexpr int32_t kPenWidth = runtime::panel_property::kPenWidth;  // drawing panels
inline constexpr int32_t kPenColour = runtime::panel_property::kPenColour;
// The file dialog's.
inline constexpr int32_t kDialogKind = runtime::dialog_property::kKind;
inline constexpr int32_t kDialogTitle = runtime::dialog_property::kTitle;
inline constexpr int32_t kDialogFileName = runtime::dialog_property::kFileName;
inline constexpr int32_t kFileMustExist = runtime::dialog_property::kFileMustExist;
inline constexpr int32_t kConfirmOverwrite = runtime::dialog_property::kConfirmOverwrite;
}  // namespace prop

inline constexpr int32_t kDialogOpen = 0;
inline constexpr int32_t kDialogSave = 1;

}  // namespace game
