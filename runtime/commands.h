// The commands of the runtime, called through one convention: a result record (cleared first), an
// argument count and the argument records in declaration order; omitted optional arguments are
// kind-0 records. Typed wrappers below give the game a natural call that goes through it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

#include "runtime/blocks.h"
#include "runtime/value.h"

namespace runtime {

using Command = void (*)(ValueRecord* result, int32_t count, const ValueRecord* args);

enum class CommandId : int32_t {
  IntDivide,
  Remainder,
  Abs,
  Rgb,
  TickCount,
  ToText,
  ToBytes,
  BytesLength,
  BytesLeft,
  BytesMid,
  BytesGet,
  ReadFile,
  WriteFile,
  LoadPicture,
  UnloadPicture,
  Clear,
  DrawLine,
  DrawPicture,
  CopyTo,
  DisableRedraw,
  AllowRedraw,
  OpenDialog,
  LoadWindow,
  Destroy,
  SetInterfaceStyle,
  MessageBox,
  Count_
};

// Modules that provide commands (pictures, windows, drawing) register them at start. A command
// that nobody registered is a runtime error.
void RegisterCommand(CommandId id, Command command);
ValueRecord CallCommand(CommandId id, int32_t count, const ValueRecord* args);
inline ValueRecord CallCommand(CommandId id, std::initializer_list<ValueRecord> args) {
  return CallCommand(id, static_cast<int32_t>(args.size()), args.begin());
}

// The kinds BytesGet reads.
enum BytesKind : int32_t {
  kGetByte = 1,
  kGetShort,
  kGetInteger,
  kGetLong,
  kGetFloat,
  kGetDouble,
  kGetLogic,
  kGetDateTime,
  kGetRoutine,
  kGetText,
};

// Typed calls for the game.
template <typename... D>
double IntDivide(double a, double b, D... more) {
  return DoubleOf(
      CallCommand(CommandId::IntDivide, {MakeDouble(a), MakeDouble(b), MakeDouble(more)...}));
}
template <typename... D>
double Remainder(double a, double b, D... more) {
  return DoubleOf(
      CallCommand(CommandId::Remainder, {MakeDouble(a), MakeDouble(b), MakeDouble(more)...}));
}
double Abs(double x);
int32_t Rgb(int32_t r, int32_t g, int32_t b);
int32_t TickCount();
Text ToText(const ValueRecord& value);
inline Text ToText(int32_t v) {
  return ToText(MakeInteger(v));
}
ByteSet ToBytes(const ValueRecord& value);
int32_t BytesLength(const ByteSet& data);
ByteSet BytesLeft(const ByteSet& data, int32_t n);
ByteSet BytesMid(const ByteSet& data, int32_t start, int32_t n);
// The value read, as the command returns it; its texts are owned by the caller (wrap them in Text).
ValueRecord BytesGet(const ByteSet& data, int32_t kind);
ValueRecord BytesGet(const ByteSet& data, int32_t kind, int32_t position);
ValueRecord BytesGet(const ByteSet& data, int32_t kind, int32_t* positionVariable);
ByteSet ReadFile(const Text& name);
bool WriteFile(const Text& name, std::initializer_list<const ByteSet*> parts);
// Why the latest ReadFile or WriteFile failed, as the system words it; empty after one that
// succeeded.
Text LastFileError();

// MessageBox: text, caption, [icon] -> nothing. A modal box with an OK button; both texts are
// GB18030. Icons as below; an omitted or unknown icon shows none.
enum MessageIcon : int32_t {
  kIconNone = 0,
  kIconError = 1,
  kIconWarning = 2,
  kIconInformation = 3,
};
void MessageBox(const Text& text, const Text& caption, int32_t icon = kIconNone);

// The conversion of ToText for a date-time: "%d年%d月%d日" and the time of day, in GB18030.
std::string DateTimeText(double days);

}  // namespace runtime
