// The drawing commands on the game's real panels (offscreen) with arbitrary coordinates, sizes,
// pens and copy modes: lines, boxes cleared to the background, whole panels filled with a new
// background colour, copies between panels, pictures, and panels resized between them. Each input
// is a list of operations on the main window's panels, each input starting from the panels as the
// template made them.
#include <QApplication>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "game/board_drawing.h"
#include "game/units.h"
#include "runtime/commands.h"
#include "runtime/pictures/picture_commands.h"
#include "runtime/system/desktop_services.h"
#include "runtime/windows/event_handlers.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/unit_ref.h"
#include "runtime/windows/window_commands.h"
#include "runtime/windows/window_manager.h"

namespace {

using runtime::ValueRecord;

// Reads the input front to back; past its end every value is 0.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Done() const { return at_ >= size_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  int32_t Int() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(Byte()) << (8 * i);
    return int32_t(v);
  }
  // Mostly small numbers near the panels, sometimes any 32-bit value.
  int32_t Coordinate() {
    const uint8_t kind = Byte();
    if (kind < 200) return int32_t(int8_t(Byte())) * 4;
    return Int();
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

constexpr runtime::UnitRef kPanels[] = {game::BoardPanel, game::CleanBoardPanel, game::BufferPanel};

const runtime::UnitRef& PanelOf(Reader& in) {
  return kPanels[in.Byte() % 3];
}

// An argument that is left out when the bit of `omitted` says so.
ValueRecord Maybe(uint8_t omitted, int bit, int32_t value) {
  return (omitted >> bit & 1) ? ValueRecord{} : runtime::MakeInteger(value);
}

std::vector<int32_t>& Pictures() {
  static std::vector<int32_t> pictures;
  return pictures;
}

// The properties an input may change, put back before the next one.
constexpr int32_t kFuzzedProperties[] = {
    runtime::property::kWidth,
    runtime::property::kHeight,
    runtime::panel_property::kBorder,
    runtime::panel_property::kBackgroundColour,
    runtime::panel_property::kPenType,
    runtime::panel_property::kDrawingMode,
    runtime::panel_property::kPenWidth,
    runtime::panel_property::kPenColour,
    runtime::panel_property::kBrushColour,
};

std::vector<int32_t>& StartValues() {
  static std::vector<int32_t> values;
  return values;
}

// Every panel as the template made it: its properties, then its background over the bitmap.
void ResetPanels() {
  size_t i = 0;
  for (const runtime::UnitRef& panel : kPanels) {
    for (int32_t property : kFuzzedProperties)
      runtime::SetIntegerProperty(panel, property, StartValues()[i++]);
    runtime::Clear(panel);
  }
}

void Run(Reader& in) {
  using runtime::CommandId;
  const uint8_t op = in.Byte() % 6;
  const runtime::UnitRef& panel = PanelOf(in);
  switch (op) {
    case 0: {  // a line with any pen
      runtime::SetIntegerProperty(panel, runtime::panel_property::kPenWidth, in.Int());
      runtime::SetIntegerProperty(panel, runtime::panel_property::kPenType, in.Byte());
      runtime::SetIntegerProperty(panel, runtime::panel_property::kDrawingMode, in.Byte());
      runtime::SetIntegerProperty(panel, runtime::panel_property::kPenColour, in.Int());
      const int32_t x1 = in.Coordinate(), y1 = in.Coordinate();
      const int32_t x2 = in.Coordinate(), y2 = in.Coordinate();
      runtime::CallCommand(
          CommandId::DrawLine,
          {runtime::UnitArgument(panel), runtime::MakeInteger(x1), runtime::MakeInteger(y1),
           runtime::MakeInteger(x2), runtime::MakeInteger(y2)});
      break;
    }
    case 1: {  // a box back to the background; any of its arguments may be left out
      const uint8_t omitted = in.Byte();
      runtime::CallCommand(CommandId::Clear,
                           {runtime::UnitArgument(panel), Maybe(omitted, 0, in.Coordinate()),
                            Maybe(omitted, 1, in.Coordinate()), Maybe(omitted, 2, in.Coordinate()),
                            Maybe(omitted, 3, in.Coordinate())});
      break;
    }
    case 2: {  // the whole panel filled with a new background colour and brush
      runtime::SetIntegerProperty(panel, runtime::panel_property::kBackgroundColour, in.Int());
      runtime::SetIntegerProperty(panel, runtime::panel_property::kBrushColour, in.Int());
      runtime::CallCommand(CommandId::Clear, {runtime::UnitArgument(panel)});
      break;
    }
    case 3: {  // a copy between two panels (or within one) with any raster operation
      const runtime::UnitRef& target = PanelOf(in);
      const uint8_t omitted = in.Byte();
      const int32_t mode = (omitted & 0x80) ? in.Int() : in.Byte() % 8;
      runtime::CallCommand(CommandId::CopyTo,
                           {runtime::UnitArgument(panel), runtime::MakeInteger(in.Coordinate()),
                            runtime::MakeInteger(in.Coordinate()),
                            Maybe(omitted, 0, in.Coordinate()), Maybe(omitted, 1, in.Coordinate()),
                            (omitted & 4) ? ValueRecord{} : runtime::UnitArgument(target),
                            runtime::MakeInteger(in.Coordinate()),
                            runtime::MakeInteger(in.Coordinate()), Maybe(omitted, 3, mode)});
      break;
    }
    case 4: {  // a picture, stretched, mirrored or transparent
      const int32_t picture = Pictures()[in.Byte() % Pictures().size()];
      const uint8_t omitted = in.Byte();
      const int32_t mode = (omitted & 0x80) ? in.Int() : in.Byte() % 8;
      runtime::CallCommand(
          CommandId::DrawPicture,
          {runtime::UnitArgument(panel), runtime::MakeInteger(picture),
           runtime::MakeInteger(in.Coordinate()), runtime::MakeInteger(in.Coordinate()),
           Maybe(omitted, 0, in.Coordinate()), Maybe(omitted, 1, in.Coordinate()),
           Maybe(omitted, 2, mode)});
      break;
    }
    default: {  // a new size and border: the bitmap follows the client area
      runtime::SetIntegerProperty(panel, runtime::property::kWidth, in.Byte() * 3);
      runtime::SetIntegerProperty(panel, runtime::property::kHeight, in.Byte() * 3);
      runtime::SetIntegerProperty(panel, runtime::panel_property::kBorder, in.Byte() % 8);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "drawing_fuzz";
  static char* argv[] = {name, nullptr};
  // Never destroyed: the process ends with the window still open, as a fuzzing run stops anywhere.
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
  // No game routines: the window's bindings stay unresolved and its events do nothing.
  runtime::RegisterEventHandlers({});
  runtime::InstallDesktopServices();
  runtime::InitWindowSystem();
  if (!runtime::LoadWindowFromTemplate(game::kMainWindowId, 0, false)) std::abort();
  for (const runtime::UnitRef& panel : kPanels)
    for (int32_t property : kFuzzedProperties)
      StartValues().push_back(runtime::GetIntegerProperty(panel, property));
  // Three of the sprites: white is their transparent colour.
  Pictures() = {game::NormalSprite(1), game::HighlightSprite(14), game::NormalSprite(7)};
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetPanels();
  Reader in(data, size);
  for (int count = 0; count < 64 && !in.Done(); ++count) Run(in);
  // The panels paint what changed.
  QCoreApplication::processEvents();
  return 0;
}

// The system's font configuration keeps caches that it never frees; they are not the program's.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
