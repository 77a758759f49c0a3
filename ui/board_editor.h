// 摆棋: a board to set a position up on, red below. A piece chosen in the palette is put on the
// points clicked (a click on a piece of the same kind takes it off again), a right click takes
// any piece off, and a piece dragged goes where it is dropped; 清空, 初始局面, 红先 / 黑先.
// 确定 checks the position by the engine's rules and, when no game can reach it, says every reason
// and stays open.
#pragma once

#include <optional>
#include <string>

namespace ui {

// Opens the editor (modal) on the position `fen`; the FEN of the position set up (which can
// stand in a game), or nothing when the player cancelled.
std::optional<std::string> EditPosition(const std::string& fen);

}  // namespace ui
