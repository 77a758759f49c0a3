// 引擎… in the board's menu: the engines dialog over the saved list, its tests run through the
// engine client, and the choices it returns put to work at once.
#pragma once

namespace game {
class WindowGame;
}

namespace ui {

void ShowEngineDialog(game::WindowGame& window);

}  // namespace ui
