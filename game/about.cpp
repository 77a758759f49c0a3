#include "game/about.h"

#include "game/units.h"
#include "runtime/blocks.h"
#include "runtime/text_codec.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window_commands.h"

namespace game {

namespace {

// The label wraps at its edge and knows no paragraphs. The four blanks indent the first paragraph,
// which ends so near the end of its line that the sixteen after it leave no room there for the
// second; the forty-three do the same for the address. Worded for the interface font at 9 points:
// 18 characters a line, 11 lines in the label.
constexpr std::string_view kAboutText =
    "    "
    "下象棋的电脑程序已数不胜数，其中不乏精品；可要写出一个真正有棋力的人机对战程序，却远不是一件"
    "容易的事。这个小程序能够完成，要感谢那些编写开发工具和函数库的朋友，没有他们就没有它。"
    "                "
    "说实话，本程序的棋力还很弱：思考得慢，没有开局库和残局库，局面评估也过于简单。如果你对象棋程"
    "序的技术感兴趣，欢迎来信或到我们的网站交流探讨。"
    "                                           "
    "https://velmora.example/ Velmora";

}  // namespace

std::string_view AboutText() {
  return kAboutText;
}

void OnAboutClick() {
  runtime::LoadWindow(AboutWindow, true);
}

void OnAboutWindowCreated() {
  runtime::SetTextProperty(AboutLabel, prop::kCaption, runtime::Text(runtime::Gb(kAboutText)));
}

}  // namespace game
