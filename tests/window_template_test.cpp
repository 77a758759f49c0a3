#include "runtime/windows/window_template.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "game/handlers.h"
#include "game/units.h"
#include "runtime/text_codec.h"

namespace {

using runtime::EmbeddedWindowTemplate;
using runtime::ReadWindowTemplate;
using runtime::SettingsState;
using runtime::TemplateFault;
using runtime::UnitRecord;
using runtime::WindowTemplate;
namespace type = runtime::unit_type;

constexpr uint32_t kMainWindow = game::kMainWindowId;
constexpr uint32_t kAboutWindow = game::kAboutWindowId;
constexpr int32_t kBlack = 0x00000000;
constexpr int32_t kDefaultColour = static_cast<int32_t>(0xFF000000);

std::string AssetBytes(const char* name) {
  std::ifstream in(std::string(XQ_SOURCE_DIR) + "/assets/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const WindowTemplate& Game() {
  static const WindowTemplate read = [] {
    auto t = ReadWindowTemplate(EmbeddedWindowTemplate());
    if (!t) throw std::runtime_error("the game's template does not read");
    game::RegisterHandlers(nullptr);
    runtime::ResolveEventBindings(*t);
    return *t;
  }();
  return read;
}

const UnitRecord& Unit(uint32_t window, uint32_t unit) {
  const UnitRecord* u = Game().FindUnit(window, unit);
  if (u == nullptr) throw std::runtime_error("no such unit");
  return *u;
}

// ---------------------------------------------------------------------------------------------
// The game's own template.

struct Expected {
  uint32_t id;
  uint32_t type;
  const char* name;
  int32_t left, top, width, height;
  bool visible;
};

const Expected kMainUnits[] = {
    {0x06010000, type::kWindow, "", 50, 50, 562, 507, true},
    {0x160105cc, type::kHyperLinker, "超级链接框1", 448, 96, 96, 24, true},
    {0x16010548, type::kButton, "关于", 464, 403, 72, 32, true},
    {0x16010546, type::kButton, "退出", 464, 353, 72, 32, true},
    {0x16010539, type::kTransLabel, "透明标签3", 448, 62, 96, 24, true},
    {0x1601052e, type::kTransLabel, "透明标签2", 448, 37, 96, 24, true},
    {0x1601052d, type::kTransLabel, "透明标签1", 448, 8, 96, 24, true},
    {0x1601000c, type::kDrawPanel, "画板游戏区", 0, 0, 436, 484, true},
    {0x160100b5, type::kDrawPanel, "画板动画缓冲", 372, 70, 44, 44, false},
    {0x160103f8, type::kCommonDlg, "通用对话框1", 328, 72, 56, 32, false},
    {0x160103f5, type::kButton, "读取棋局", 464, 203, 72, 32, true},
    {0x160103f4, type::kButton, "保存棋局", 464, 253, 72, 32, true},
    {0x16010172, type::kDrawPanel, "备用画板", 0, 0, 436, 484, false},
    {0x1601004c, type::kButton, "开局", 464, 303, 72, 32, true},
};

const Expected kAboutUnits[] = {
    {0x0601054a, type::kWindow, "", 50, 50, 385, 304, true},
    {0x1601054d, type::kLabel, "标签1", 144, 8, 224, 192, true},
    {0x1601054c, type::kPicBox, "图片框1", -1, 17, 136, 152, true},
};

void ExpectUnits(const runtime::WindowRecord& w, std::span<const Expected> expected) {
  ASSERT_EQ(w.units.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const UnitRecord& u = w.units[i];
    const Expected& e = expected[i];
    SCOPED_TRACE(e.name);
    EXPECT_EQ(u.id, e.id);
    EXPECT_EQ(u.type, e.type);
    EXPECT_EQ(u.name, runtime::Gb(e.name));
    EXPECT_EQ(u.left, e.left);
    EXPECT_EQ(u.top, e.top);
    EXPECT_EQ(u.width, e.width);
    EXPECT_EQ(u.height, e.height);
    EXPECT_EQ(u.Visible(), e.visible);
    // Nothing in the game's windows is disabled, a tab stop, contained, tagged or given a pointer.
    EXPECT_FALSE(u.Disabled());
    EXPECT_FALSE(u.TabStop());
    EXPECT_EQ(u.container, 0u);
    EXPECT_TRUE(u.members.empty());
    EXPECT_TRUE(u.tag.empty());
    EXPECT_TRUE(u.remark.empty());
    EXPECT_TRUE(u.cursorData.empty());
    EXPECT_EQ(u.settings.state, SettingsState::kRead);
  }
}

TEST(GameTemplate, ReadsToTheLastByteWithBothWindowsInOrder) {
  auto block = EmbeddedWindowTemplate();
  TemplateFault fault;
  auto t = ReadWindowTemplate(block, &fault);
  ASSERT_TRUE(t) << fault.what << " at " << fault.offset;
  EXPECT_EQ(t->consumed, block.size());
  ASSERT_EQ(t->windows.size(), 2u);
  EXPECT_EQ(t->windows[0].id, kMainWindow);
  EXPECT_EQ(t->windows[1].id, kAboutWindow);
  EXPECT_EQ(t->windows[0].ident, 0x19010002u);
  EXPECT_EQ(t->windows[1].ident, 0x1901054eu);
  for (const auto& w : t->windows) {
    EXPECT_TRUE(w.text1.empty());
    EXPECT_TRUE(w.text2.empty());
  }
  ExpectUnits(t->windows[0], kMainUnits);
  ExpectUnits(t->windows[1], kAboutUnits);
}

TEST(GameTemplate, LookupByWindowAndUnit) {
  EXPECT_EQ(Game().FindWindow(kAboutWindow), &Game().windows[1]);
  EXPECT_EQ(Game().FindWindow(0x52010002), nullptr);
  EXPECT_EQ(Game().FindUnit(kMainWindow, 0x1601000c)->name, runtime::Gb("画板游戏区"));
  // Unit identifiers belong to their window.
  EXPECT_EQ(Game().FindUnit(kAboutWindow, 0x1601000c), nullptr);
  EXPECT_EQ(Game().FindUnit(0x52019999, 0x1601000c), nullptr);
}

TEST(GameTemplate, WindowsAreFixedCentredAndCloseOnEscape) {
  for (uint32_t id : {kMainWindow, kAboutWindow}) {
    const auto& s = Game().FindWindow(id)->units.front().settings;
    SCOPED_TRACE(id);
    EXPECT_EQ(s.Number(9), 2);   // fixed frame
    EXPECT_EQ(s.Number(16), 0);  // no maximize box
    EXPECT_EQ(s.Number(17), 0);  // no minimize box
    EXPECT_EQ(s.Number(15), 1);  // system menu
    EXPECT_EQ(s.Number(19), 1);  // close item present
    EXPECT_EQ(s.Number(18), 1);  // centred on the screen
    EXPECT_EQ(s.Number(22), 1);  // Escape closes
    EXPECT_EQ(s.Number(29), 0);  // not on top
    EXPECT_EQ(s.Number(10), kDefaultColour);
    EXPECT_TRUE(s.Bytes(11).empty());  // no background picture
  }
  const auto& main = Unit(kMainWindow, 0x06010000).settings;
  const auto& about = Unit(kAboutWindow, 0x0601054a).settings;
  EXPECT_EQ(main.Bytes(8), runtime::Gb("VelmoraCorvane 2.0"));
  EXPECT_EQ(about.Bytes(8), runtime::Gb("TivoCorvane"));
  EXPECT_EQ(main.Number(27), 1);  // dragged by its background
  EXPECT_EQ(about.Number(27), 0);
  EXPECT_EQ(main.Bytes(20), AssetBytes("icon.ico"));
  EXPECT_TRUE(about.Bytes(20).empty());
}

TEST(GameTemplate, MainWindowIconHoldsTheSmallAndTheLargeImage) {
  std::string_view icon = Unit(kMainWindow, 0x06010000).settings.Bytes(20);
  ASSERT_GE(icon.size(), 6u + 2 * 16u);
  EXPECT_EQ(icon.substr(0, 4), std::string_view("\0\0\1\0", 4));  // an icon file
  ASSERT_EQ(icon[4], 2);
  std::vector<int> sizes = {static_cast<uint8_t>(icon[6]), static_cast<uint8_t>(icon[6 + 16])};
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, (std::vector<int>{16, 32}));
}

TEST(GameTemplate, DrawPanelsDifferOnlyInTheBoardPicture) {
  for (uint32_t id : {0x1601000cu, 0x160100b5u, 0x16010172u}) {
    const auto& s = Unit(kMainWindow, id).settings;
    SCOPED_TRACE(id);
    EXPECT_EQ(s.version, 1u);
    EXPECT_EQ(s.Number(8), 0);            // no border
    EXPECT_EQ(s.Number(9), 0x00C0C0C0);   // RGB(192, 192, 192)
    EXPECT_EQ(s.Number(11), 1);           // tiled from the top-left corner
    EXPECT_EQ(s.Number(12), 1);           // persistent bitmap
    EXPECT_EQ(s.Number(14), 1);           // solid pen
    EXPECT_EQ(s.Number(15), 12);          // copy the pen colour
    EXPECT_EQ(s.Number(16), 0);           // pen width
    EXPECT_EQ(s.Number(17), kBlack);      // pen colour
    EXPECT_EQ(s.Number(19), 0x00FFFFFF);  // white brush
    EXPECT_EQ(s.Number(20), kBlack);      // text colour
    EXPECT_TRUE(s.Bytes(22).empty());     // system font
  }
  std::string board = AssetBytes("board.jpg");
  ASSERT_FALSE(board.empty());
  EXPECT_EQ(Unit(kMainWindow, 0x1601000c).settings.Bytes(10), board);
  EXPECT_TRUE(Unit(kMainWindow, 0x160100b5).settings.Bytes(10).empty());
  EXPECT_TRUE(Unit(kMainWindow, 0x16010172).settings.Bytes(10).empty());
}

TEST(GameTemplate, ButtonsAreCentredWithTheAboutButtonAsDefault) {
  const std::map<uint32_t, std::pair<const char*, int>> buttons = {
      {0x16010548, {"关于", 1}},     {0x16010546, {"退出", 0}},   {0x160103f5, {"读取棋局", 0}},
      {0x160103f4, {"保存棋局", 0}}, {0x1601004c, {"新开局", 0}},
  };
  for (const auto& [id, expected] : buttons) {
    const auto& s = Unit(kMainWindow, id).settings;
    SCOPED_TRACE(expected.first);
    EXPECT_EQ(s.Bytes(10), runtime::Gb(expected.first));
    EXPECT_EQ(s.Number(9), expected.second);
    EXPECT_EQ(s.Number(11), 1);
    EXPECT_EQ(s.Number(12), 1);
    EXPECT_TRUE(s.Bytes(8).empty());
    EXPECT_TRUE(s.Bytes(13).empty());
  }
}

TEST(GameTemplate, LabelsLinkAndDialog) {
  EXPECT_EQ(Unit(kMainWindow, 0x16010539).settings.Bytes(8), "");
  EXPECT_EQ(Unit(kMainWindow, 0x1601052e).settings.Bytes(8), runtime::Gb("步数"));
  EXPECT_EQ(Unit(kMainWindow, 0x1601052d).settings.Bytes(8), runtime::Gb("时间"));
  for (uint32_t id : {0x16010539u, 0x1601052eu, 0x1601052du})
    EXPECT_EQ(Unit(kMainWindow, id).settings.Number(11), kBlack);

  const auto& link = Unit(kMainWindow, 0x160105cc).settings;
  EXPECT_EQ(link.Bytes(8), "Velmora");
  EXPECT_EQ(link.Bytes(11), "https://velmora.example/");
  EXPECT_NE(link.Number(9), 0);  // opens the web address
  EXPECT_EQ(link.Number(12), 0x00FF0000);
  EXPECT_EQ(link.Number(13), 0x006A240A);
  EXPECT_EQ(link.Number(14), 0x00000080);
  EXPECT_EQ(link.Number(15), kDefaultColour);

  const auto& dialog = Unit(kMainWindow, 0x160103f8).settings;
  EXPECT_EQ(dialog.Number(8), 0);  // open
  EXPECT_EQ(dialog.Number(12), 0);
  EXPECT_EQ(dialog.Bytes(11), runtime::Gb("象棋棋局文件（*.ces）|*.ces"));
  EXPECT_EQ(dialog.Bytes(14), ".ces");
  EXPECT_EQ(dialog.Bytes(9), "");
  EXPECT_EQ(dialog.Bytes(10), "");
  EXPECT_EQ(dialog.Bytes(13), "");
  EXPECT_EQ(dialog.Number(15), 0);
  EXPECT_EQ(dialog.Number(16), 1);
  EXPECT_EQ(dialog.Number(17), 1);
  EXPECT_EQ(dialog.Number(18), 1);
  EXPECT_EQ(dialog.Number(19), 0);
}

TEST(GameTemplate, AboutWindowLabelAndPicture) {
  const auto& label = Unit(kAboutWindow, 0x1601054d).settings;
  EXPECT_EQ(label.Number(9), 0);   // no text effect
  EXPECT_EQ(label.Number(10), 0);  // no border
  EXPECT_EQ(label.Number(16), kBlack);
  EXPECT_EQ(label.Number(24), 0);  // left
  EXPECT_EQ(label.Number(25), 1);  // word wrap
  EXPECT_EQ(label.Bytes(8), "");
  EXPECT_TRUE(label.Bytes(15).empty());

  const auto& picture = Unit(kAboutWindow, 0x1601054c).settings;
  EXPECT_EQ(picture.Number(8), 0);   // no border
  EXPECT_EQ(picture.Number(11), 0);  // natural size at the top-left corner
  std::string logo = AssetBytes("logo.jpg");
  ASSERT_FALSE(logo.empty());
  EXPECT_EQ(picture.Bytes(10), logo);
}

// ---------------------------------------------------------------------------------------------
// Event bindings.

struct Bound {
  uint32_t window, unit;
  int32_t event;
  const char* handler;
};

const Bound kBindings[] = {
    {kMainWindow, 0x06010000, 0, "OnMainWindowCreated"},
    {kMainWindow, 0x1601000c, -1, "OnBoardClick"},
    {kMainWindow, 0x16010548, 0, "OnAboutClick"},
    {kMainWindow, 0x16010546, 0, "OnExitClick"},
    {kMainWindow, 0x160103f5, 0, "OpenGame"},
    {kMainWindow, 0x160103f4, 0, "SaveGame"},
    {kMainWindow, 0x1601004c, 0, "NewGame"},
    {kAboutWindow, 0x0601054a, 0, "OnAboutWindowCreated"},
};

runtime::EventHandler RoutineNamed(std::string_view name) {
  for (const auto& e : game::HandlerTable())
    if (e.name == name) return e.routine;
  return nullptr;
}

TEST(Bindings, EachOfTheGameBindingsReachesItsRoutine) {
  size_t total = 0;
  for (const auto& w : Game().windows)
    for (const auto& u : w.units) total += u.bindings.size();
  EXPECT_EQ(total, std::size(kBindings));  // and no others
  for (const Bound& b : kBindings) {
    SCOPED_TRACE(b.handler);
    const runtime::EventBinding* binding = Unit(b.window, b.unit).FindBinding(b.event);
    ASSERT_NE(binding, nullptr);
    ASSERT_NE(RoutineNamed(b.handler), nullptr);
    EXPECT_EQ(binding->routine, RoutineNamed(b.handler));
    EXPECT_EQ(binding->handlerName, b.handler);
  }
}

TEST(Bindings, ReferencesAreNeverNegativeAndDistinct) {
  std::vector<int32_t> seen;
  for (const auto& e : game::HandlerTable()) {
    int32_t r = runtime::HandlerReference(e.name);
    EXPECT_GE(r, 0) << e.name;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), r), 0) << e.name;
    seen.push_back(r);
  }
  EXPECT_EQ(seen.size(), 8u);
}

runtime::ValueRecord Swallow(std::span<const int32_t>) {
  return runtime::MakeLogic(false);
}
runtime::ValueRecord Pass(std::span<const int32_t>) {
  return {};
}

TEST(Bindings, RegistryRefusesCollisionsAndMissingRoutines) {
  const runtime::HandlerEntry twice[] = {{"Same", Pass}, {"Same", Swallow}};
  EXPECT_FALSE(runtime::RegisterEventHandlers(twice));
  const runtime::HandlerEntry none[] = {{"Nothing", nullptr}};
  EXPECT_FALSE(runtime::RegisterEventHandlers(none));
  // The refused tables left the game's in place.
  game::RegisterHandlers(nullptr);
  EXPECT_NE(runtime::FindEventHandler(runtime::HandlerReference("OnBoardClick")), nullptr);
  EXPECT_EQ(runtime::FindEventHandler(runtime::HandlerReference("Same")), nullptr);
  EXPECT_EQ(runtime::FindEventHandler(runtime::kNoHandler), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Hand-made templates.

class Bytes {
 public:
  Bytes& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  Bytes& Zero(std::string_view s) {
    data.insert(data.end(), s.begin(), s.end());
    data.push_back(0);
    return *this;
  }
  Bytes& Counted(std::string_view s) {
    U32(static_cast<uint32_t>(s.size()));
    data.insert(data.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& Raw(std::span<const uint8_t> b) {
    data.insert(data.end(), b.begin(), b.end());
    return *this;
  }
  std::vector<uint8_t> data;
};

// The order of each type's settings, as the format lays it out: kind ('n' number, 'b' buffer,
// 's' string), property, first version holding it.
struct Field {
  char kind;
  int property;
  uint32_t since;
};

const std::vector<Field> kWindowOrder = {
    {'n', 9, 1},  {'n', 12, 1}, {'n', 10, 1}, {'n', 16, 1}, {'n', 17, 1}, {'n', 15, 1},
    {'n', 18, 1}, {'n', 19, 1}, {'n', 14, 1}, {'n', 21, 1}, {'n', 22, 1}, {'n', 23, 1},
    {'n', 25, 1}, {'n', 26, 2}, {'n', 27, 3}, {'n', 28, 3}, {'n', 29, 4}, {'n', 30, 5},
    {'s', 31, 6}, {'b', 11, 1}, {'b', 20, 1}, {'b', 13, 1}, {'s', 8, 1},  {'s', 24, 1}};
const std::vector<Field> kDrawPanelOrder = {{'n', 8, 1},  {'n', 9, 1},  {'n', 11, 1}, {'n', 12, 1},
                                            {'n', 13, 1}, {'n', 14, 1}, {'n', 15, 1}, {'n', 16, 1},
                                            {'n', 17, 1}, {'n', 18, 1}, {'n', 19, 1}, {'n', 20, 1},
                                            {'n', 21, 1}, {'b', 22, 1}, {'b', 10, 1}};
const std::vector<Field> kButtonOrder = {{'n', 9, 1}, {'n', 11, 1}, {'n', 12, 1},
                                         {'b', 8, 1}, {'b', 13, 1}, {'s', 10, 1}};
const std::vector<Field> kTransLabelOrder = {{'n', 9, 1},  {'n', 11, 1}, {'n', 12, 1}, {'n', 14, 1},
                                             {'n', 13, 1}, {'b', 10, 1}, {'s', 8, 1}};
const std::vector<Field> kHyperLinkerOrder = {
    {'n', 9, 1},  {'n', 12, 1}, {'n', 13, 1}, {'n', 14, 1}, {'n', 15, 1},
    {'n', 16, 1}, {'b', 17, 1}, {'s', 8, 1},  {'s', 10, 1}, {'s', 11, 1}};
const std::vector<Field> kCommonDlgOrder = {
    {'n', 8, 1},  {'n', 12, 1}, {'n', 15, 1}, {'n', 16, 1}, {'n', 17, 1}, {'n', 18, 1},
    {'n', 19, 1}, {'n', 20, 1}, {'n', 21, 1}, {'n', 22, 1}, {'s', 9, 1},  {'s', 10, 1},
    {'s', 11, 1}, {'s', 13, 1}, {'s', 14, 1}, {'s', 23, 1}, {'s', 24, 1}};
const std::vector<Field> kPicBoxOrder = {{'n', 8, 1},  {'n', 9, 1},  {'n', 11, 1}, {'n', 12, 1},
                                         {'b', 10, 1}, {'s', 13, 2}, {'s', 14, 2}};
const std::vector<Field> kLabelOrder = {
    {'n', 9, 1},  {'n', 11, 1}, {'n', 10, 1}, {'n', 12, 1}, {'n', 13, 1}, {'n', 14, 1},
    {'n', 16, 1}, {'n', 17, 1}, {'n', 19, 1}, {'n', 20, 1}, {'n', 21, 1}, {'n', 22, 1},
    {'n', 23, 1}, {'n', 24, 1}, {'n', 26, 1}, {'n', 25, 1}, {'b', 15, 1}, {'b', 18, 1},
    {'s', 8, 1},  {'s', 27, 2}, {'s', 28, 2}};

struct TypeCase {
  uint32_t type;
  uint32_t maxVersion;
  const std::vector<Field>* order;
};

const TypeCase kTypeCases[] = {
    {type::kWindow, 6, &kWindowOrder},           {type::kDrawPanel, 1, &kDrawPanelOrder},
    {type::kButton, 1, &kButtonOrder},           {type::kTransLabel, 1, &kTransLabelOrder},
    {type::kHyperLinker, 1, &kHyperLinkerOrder}, {type::kCommonDlg, 1, &kCommonDlgOrder},
    {type::kPicBox, 2, &kPicBoxOrder},           {type::kLabel, 2, &kLabelOrder},
};

// Every field gets a value of its own, so a field read in the wrong place shows.
int32_t NumberFor(int property) {
  return 1000 + property;
}
std::string BytesFor(int property) {
  return "p" + std::to_string(property);
}

std::vector<uint8_t> SettingsOf(uint32_t version, const std::vector<Field>& order) {
  Bytes b;
  b.U32(version);
  for (const Field& f : order) {
    if (f.since > version) continue;
    if (f.kind == 'n')
      b.U32(static_cast<uint32_t>(NumberFor(f.property)));
    else
      b.Counted(BytesFor(f.property));
  }
  return b.data;
}

struct UnitSpec {
  uint32_t id = 0x16000001;
  uint32_t type = type::kButton;
  std::string name = "u";
  std::vector<std::pair<int32_t, int32_t>> bindings;
  std::vector<uint8_t> settings = SettingsOf(1, kButtonOrder);
  uint32_t flags = 1;
  std::vector<uint32_t> members;
  std::string cursor;
  std::string tag;
};

UnitSpec WindowUnit(uint32_t id = 0x06000000) {
  UnitSpec u;
  u.id = id;
  u.type = type::kWindow;
  u.name = "";
  u.settings = SettingsOf(6, kWindowOrder);
  return u;
}

std::vector<uint8_t> UnitRecordBytes(const UnitSpec& u) {
  Bytes b;
  b.U32(u.type);
  for (int i = 0; i < 5; ++i) b.U32(0);
  b.Zero(u.name).Zero("");
  b.U32(0).U32(10).U32(20).U32(30).U32(40).U32(0).U32(0);
  b.U32(static_cast<uint32_t>(u.members.size()));
  for (uint32_t m : u.members) b.U32(m);
  b.Counted(u.cursor).Zero(u.tag);
  b.U32(0).U32(u.flags).U32(0);
  b.U32(static_cast<uint32_t>(u.bindings.size()));
  for (auto [event, reference] : u.bindings) b.U32(event).U32(reference);
  for (int i = 0; i < 5; ++i) b.U32(0);
  b.Raw(u.settings);
  return b.data;
}

struct WindowSpec {
  uint32_t id = 0x52000001;
  std::vector<UnitSpec> units = {WindowUnit()};
};

std::vector<uint8_t> Build(const std::vector<WindowSpec>& windows) {
  Bytes b;
  b.U32(static_cast<uint32_t>(8 * windows.size()));
  for (const auto& w : windows) b.U32(w.id);
  for (size_t i = 0; i < windows.size(); ++i) b.U32(0xdeadbeef);  // slots: any value
  for (const auto& w : windows) {
    b.U32(0xdeadbeef).U32(0x19000002).Counted("").Counted("");
    Bytes list;
    for (const auto& u : w.units) list.U32(u.id);
    uint32_t offset = 0;
    std::vector<std::vector<uint8_t>> records;
    for (const auto& u : w.units) {
      records.push_back(UnitRecordBytes(u));
      list.U32(offset);
      offset += 4 + static_cast<uint32_t>(records.back().size());
    }
    for (const auto& r : records) list.U32(static_cast<uint32_t>(r.size())).Raw(r);
    b.U32(static_cast<uint32_t>(w.units.size())).U32(static_cast<uint32_t>(list.data.size()));
    b.Raw(list.data);
  }
  return b.data;
}

// Where things sit in a one-window block: the table (4 + 8), the window's slot, ident, two empty
// strings (16), then the count, the list size, and the list.
constexpr size_t kUnitCountAt = 4 + 8 + 16;
constexpr size_t kListSizeAt = kUnitCountAt + 4;
constexpr size_t kListAt = kListSizeAt + 4;

void Put(std::vector<uint8_t>& block, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) block.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

bool Reads(const std::vector<uint8_t>& block, std::string* what = nullptr) {
  TemplateFault fault;
  auto t = ReadWindowTemplate(block, &fault);
  if (what != nullptr) *what = t ? "" : fault.what;
  if (t) {
    EXPECT_EQ(t->consumed, block.size());
  }
  return t.has_value();
}

TEST(HandMade, EveryTypeAtEveryVersionReadsItsFieldsInOrder) {
  for (const TypeCase& c : kTypeCases) {
    for (uint32_t version = 1; version <= c.maxVersion; ++version) {
      SCOPED_TRACE(std::string(runtime::UnitTypeName(c.type)) + " version " +
                   std::to_string(version));
      WindowSpec w;
      UnitSpec u;
      u.type = c.type;
      u.settings = SettingsOf(version, *c.order);
      w.units.push_back(u);
      auto t = ReadWindowTemplate(Build({w}));
      ASSERT_TRUE(t);
      const auto& s = t->windows[0].units[1].settings;
      EXPECT_EQ(s.state, SettingsState::kRead);
      EXPECT_EQ(s.version, version);
      size_t present = 0;
      for (const Field& f : *c.order) {
        if (f.since > version) {
          EXPECT_EQ(s.Find(f.property), nullptr) << f.property;
          continue;
        }
        ++present;
        if (f.kind == 'n')
          EXPECT_EQ(s.Number(f.property), NumberFor(f.property)) << f.property;
        else
          EXPECT_EQ(s.Bytes(f.property), BytesFor(f.property)) << f.property;
      }
      EXPECT_EQ(s.fields.size(), present);
      EXPECT_EQ(s.raw, u.settings);
    }
  }
}

TEST(HandMade, CommonPartIsKeptField) {
  WindowSpec w;
  UnitSpec u;
  u.name = "\xbb\xad";
  u.flags = 7;
  u.members = {0x16000002, 0x16000003};
  u.cursor = std::string("\0\1\2", 3);
  u.tag = "tag";
  u.bindings = {{-6, 5}, {0, -1}};
  w.units.push_back(u);
  auto t = ReadWindowTemplate(Build({w}));
  ASSERT_TRUE(t);
  const UnitRecord& r = t->windows[0].units[1];
  EXPECT_EQ(r.name, "\xbb\xad");
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.width, 30);
  EXPECT_EQ(r.height, 40);
  EXPECT_TRUE(r.Visible() && r.Disabled() && r.TabStop());
  EXPECT_EQ(r.members, (std::vector<uint32_t>{0x16000002, 0x16000003}));
  EXPECT_EQ(r.cursorData, (std::vector<uint8_t>{0, 1, 2}));
  EXPECT_EQ(r.tag, "tag");
  ASSERT_EQ(r.bindings.size(), 2u);
  EXPECT_EQ(r.FindBinding(-6)->reference, 5);
  EXPECT_EQ(r.FindBinding(0)->reference, -1);
  EXPECT_EQ(r.FindBinding(-1), nullptr);
  EXPECT_EQ(r.object, nullptr);
  EXPECT_EQ(r.cursor, nullptr);
}

TEST(HandMade, MinusOneAndUnknownReferencesGiveNoHandler) {
  game::RegisterHandlers(nullptr);
  WindowSpec w;
  UnitSpec u;
  u.bindings = {{0, -1}, {-1, 12345}, {-2, runtime::HandlerReference("NewGame")}};
  w.units.push_back(u);
  auto t = ReadWindowTemplate(Build({w}));
  ASSERT_TRUE(t);
  runtime::ResolveEventBindings(*t);
  const UnitRecord& r = t->windows[0].units[1];
  EXPECT_EQ(r.FindBinding(0)->routine, nullptr);
  EXPECT_EQ(r.FindBinding(-1)->routine, nullptr);
  EXPECT_EQ(r.FindBinding(-2)->routine, RoutineNamed("NewGame"));
}

TEST(HandMade, SettingsTheRuntimeCannotReadAreRecordedNotRefused) {
  WindowSpec w;
  UnitSpec tooNew;
  tooNew.settings = SettingsOf(2, kButtonOrder);
  UnitSpec labelTooNew;
  labelTooNew.id = 0x16000002;
  labelTooNew.type = type::kLabel;
  labelTooNew.settings = Bytes().U32(3).U32(99).data;  // unread after the version
  UnitSpec unknown;
  unknown.id = 0x16000003;
  unknown.type = 0x30001;
  unknown.settings = {1, 0, 0, 0, 42};
  w.units = {WindowUnit(), tooNew, labelTooNew, unknown};
  auto t = ReadWindowTemplate(Build({w}));
  ASSERT_TRUE(t);
  EXPECT_EQ(t->windows[0].units[1].settings.state, SettingsState::kVersionTooNew);
  EXPECT_EQ(t->windows[0].units[1].settings.version, 2u);
  EXPECT_EQ(t->windows[0].units[2].settings.state, SettingsState::kVersionTooNew);
  EXPECT_EQ(t->windows[0].units[3].settings.state, SettingsState::kUnknownType);
  EXPECT_EQ(t->windows[0].units[3].settings.raw, unknown.settings);
  EXPECT_TRUE(t->windows[0].units[1].settings.fields.empty());
}

TEST(HandMade, TwoWindowsAndLookups) {
  WindowSpec a, b;
  b.id = 0x52000002;
  UnitSpec u;
  b.units.push_back(u);
  auto t = ReadWindowTemplate(Build({a, b}));
  ASSERT_TRUE(t);
  EXPECT_EQ(t->FindUnit(0x52000002, 0x16000001)->type, type::kButton);
  EXPECT_EQ(t->FindUnit(0x52000001, 0x16000001), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Truncated, inconsistent and corrupted blocks.

std::vector<uint8_t> MinimalBlock() {
  WindowSpec w;
  UnitSpec u;
  u.bindings = {{0, 7}};
  w.units.push_back(u);
  return Build({w});
}

TEST(Faults, EveryTruncationIsRefused) {
  auto whole = MinimalBlock();
  ASSERT_TRUE(Reads(whole));
  for (size_t n = 0; n < whole.size(); ++n) {
    std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n));
    EXPECT_FALSE(Reads(part)) << n;
  }
  auto game = EmbeddedWindowTemplate();
  for (size_t n = 0; n < game.size(); n += n + 64 < game.size() ? 61 : 1) {
    std::vector<uint8_t> part(game.begin(), game.begin() + static_cast<ptrdiff_t>(n));
    EXPECT_FALSE(Reads(part)) << n;
  }
}

TEST(Faults, LeftoverBytesAreRefused) {
  auto block = MinimalBlock();
  block.push_back(0);
  EXPECT_FALSE(Reads(block));

  // A list that claims more than its records hold.
  block = MinimalBlock();
  uint32_t size = block[kListSizeAt] | block[kListSizeAt + 1] << 8;
  Put(block, kListSizeAt, size + 4);
  block.insert(block.end(), 4, 0);
  EXPECT_FALSE(Reads(block));

  // Settings longer than the version reads.
  WindowSpec w;
  UnitSpec u;
  u.settings.push_back(0);
  w.units.push_back(u);
  std::string what;
  EXPECT_FALSE(Reads(Build({w}), &what));
  EXPECT_EQ(what, "bytes after the settings");
}

TEST(Faults, CountsPastTheDataAreRefused) {
  std::string what;
  auto block = MinimalBlock();
  Put(block, 0, 0x7ffffff8);  // window table
  EXPECT_FALSE(Reads(block));
  block = MinimalBlock();
  Put(block, 0, 12);  // not a whole number of windows
  EXPECT_FALSE(Reads(block));
  block = MinimalBlock();
  Put(block, kUnitCountAt, 0x20000000);
  EXPECT_FALSE(Reads(block, &what));
  EXPECT_EQ(what, "unit count");
  block = MinimalBlock();
  Put(block, kUnitCountAt, 0);
  EXPECT_FALSE(Reads(block));
  block = MinimalBlock();
  Put(block, kListSizeAt, 0xffffffff);
  EXPECT_FALSE(Reads(block));

  WindowSpec w;
  UnitSpec u;
  u.members = {1};
  w.units.push_back(u);
  block = Build({w});
  // The member count is the only 1 followed by a 1 in the record.
  for (size_t i = kListAt; i + 8 <= block.size(); ++i) {
    if (block[i] == 1 && block[i + 4] == 1 && block[i + 1] == 0) {
      Put(block, i, 0x40000000);
      break;
    }
  }
  EXPECT_FALSE(Reads(block, &what));
  EXPECT_EQ(what, "member count");
}

TEST(Faults, OffsetsMustPointAtTheirRecords) {
  WindowSpec w;
  w.units.push_back(UnitSpec{});
  auto good = Build({w});
  size_t offsetsAt = kListAt + 2 * 4;
  std::string what;
  for (uint32_t bad : {0xffffffffu, 0x10000u, 1u, 0u}) {
    auto block = good;
    Put(block, offsetsAt + 4, bad);  // the second record's offset
    EXPECT_FALSE(Reads(block, &what)) << bad;
    EXPECT_EQ(what, "unit offset");
  }
  // A record length running past its list.
  auto block = good;
  Put(block, kListAt + 4 * 4, 0x00ffffff);
  EXPECT_FALSE(Reads(block));
}

TEST(Faults, InconsistentRecordsAreRefused) {
  std::string what;
  WindowSpec notFirst;
  notFirst.units = {UnitSpec{}, WindowUnit()};
  EXPECT_FALSE(Reads(Build({notFirst}), &what));
  EXPECT_EQ(what, "first unit is not the window");

  WindowSpec repeated;
  repeated.units = {WindowUnit(), UnitSpec{}, UnitSpec{}};
  EXPECT_FALSE(Reads(Build({repeated}), &what));
  EXPECT_EQ(what, "repeated unit identifier");

  EXPECT_FALSE(Reads(Build({WindowSpec{}, WindowSpec{}}), &what));
  EXPECT_EQ(what, "repeated window identifier");

  WindowSpec zeroVersion;
  UnitSpec u;
  u.settings = Bytes().U32(0).data;
  zeroVersion.units.push_back(u);
  EXPECT_FALSE(Reads(Build({zeroVersion})));

  WindowSpec noVersion;
  u.settings = {1, 0};
  noVersion.units.push_back(u);
  EXPECT_FALSE(Reads(Build({noVersion})));

  WindowSpec shortSettings;
  u.settings = SettingsOf(1, kButtonOrder);
  u.settings.pop_back();
  shortSettings.units.push_back(u);
  EXPECT_FALSE(Reads(Build({shortSettings})));

  // A name that never ends inside its record.
  WindowSpec unterminated;
  u = UnitSpec{};
  u.name = std::string(300, 'x');
  unterminated.units.push_back(u);
  auto block = Build({unterminated});
  auto at = std::search(block.begin(), block.end(), u.name.begin(), u.name.end());
  std::fill(at, block.end(), 'x');
  EXPECT_FALSE(Reads(block));
}

TEST(Faults, CorruptedRangesNeverBreakTheReader) {
  auto small = MinimalBlock();
  for (size_t i = 0; i < small.size(); ++i)
    for (uint8_t v : {0x00, 0x01, 0x7f, 0x80, 0xff}) {
      auto block = small;
      block[i] = v;
      Reads(block);  // either reads whole or is refused; the sanitizers watch the rest
    }
  auto game = EmbeddedWindowTemplate();
  std::vector<uint8_t> original(game.begin(), game.end());
  std::mt19937 random(5);
  for (int round = 0; round < 3000; ++round) {
    auto block = original;
    // Most of the block is pictures; aim most hits at the first and last few kilobytes.
    size_t span = round % 3 == 0 ? block.size() : 4096;
    size_t start = random() % std::min(span, block.size());
    if (round % 3 == 2) start = block.size() - 1 - start;
    size_t length = 1 + random() % 16;
    for (size_t i = start; i < std::min(block.size(), start + length); ++i)
      block[i] = round % 2 ? static_cast<uint8_t>(random()) : 0xff;
    Reads(block);
  }
}

TEST(FaultsDeathTest, AnUnreadableTemplateIsTheRuntimeErrorAtStart) {
  auto block = MinimalBlock();
  block.pop_back();
  EXPECT_EXIT(runtime::LoadWindowTemplate(block), testing::ExitedWithCode(255),
              "载入窗口模板数据段出错");
}

TEST(Loading, TheEmbeddedTemplateLoadsWithTheGameHandlers) {
  game::RegisterHandlers(nullptr);
  runtime::LoadWindowTemplate();
  const auto& loaded = runtime::LoadedWindowTemplate();
  ASSERT_EQ(loaded.windows.size(), 2u);
  EXPECT_EQ(loaded.FindUnit(kMainWindow, 0x1601000c)->FindBinding(-1)->routine,
            RoutineNamed("OnBoardClick"));
}

}  // namespace
