#include "runtime/commands.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/array.h"
#include "runtime/error.h"
#include "runtime/services.h"
#include "runtime/text_codec.h"

namespace runtime {

namespace {

// ---- Arguments ----

int32_t IntegerArg(const ValueRecord* args, int32_t count, int32_t i, int32_t fallback = 0) {
  if (i >= count || args[i].kind == kind::kNone) return fallback;
  if (args[i].kind == kind::kDouble || args[i].kind == kind::kFloat)
    return TruncateToInteger(NumberArgument(args[i]));
  return LowInteger(args[i]);
}

double DoubleArg(const ValueRecord* args, int32_t count, int32_t i) {
  return i < count ? NumberArgument(args[i]) : 0.0;
}

// The bytes of a byte-set argument (a byte set or a one-dimensional byte array alike).
std::span<const uint8_t> BytesArg(const ValueRecord* args, int32_t count, int32_t i) {
  if (i >= count) return {};
  return ByteSetBytes(PointerOf<const void>(args[i]));
}

std::string_view TextArg(const ValueRecord* args, int32_t count, int32_t i) {
  if (i >= count || args[i].kind != kind::kText) return {};
  return TextView(PointerOf<const char>(args[i]));
}

void SetText(ValueRecord* result, std::string_view bytes) {
  // A text ends at its first zero byte.
  bytes = bytes.substr(0, bytes.find('\0'));
  *result = MakePointer(kind::kText, NewTextBlock(bytes));
}

void SetBytes(ValueRecord* result, std::span<const uint8_t> bytes) {
  *result = MakePointer(kind::kByteSet, NewByteSetBlock(bytes));
}

// The bytes of a value in memory order, as ToBytes and ToText see it; empty for other kinds.
std::span<const uint8_t> RawBytes(const ValueRecord& v) {
  if (v.kind == kind::kText) {
    auto text = TextView(PointerOf<const char>(v));
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
  }
  if (v.kind == kind::kByteSet) return ByteSetBytes(PointerOf<const void>(v));
  if (IsArrayKind(v.kind)) {
    const void* block = PointerOf<const void>(v);
    int32_t size = RawSizeOf(ElementKind(v.kind));
    if (block == nullptr || !IsNumericKind(ElementKind(v.kind)) || ArrayDimensions(block) != 1)
      return {};
    return {ArrayElements(block), size_t(ArrayElementCount(block)) * size_t(size)};
  }
  int32_t size = RawSizeOf(v.kind);
  return {reinterpret_cast<const uint8_t*>(&v.value), size_t(size)};
}

// ---- Arithmetic ----

template <typename Step>
void Chained(ValueRecord* result, int32_t count, const ValueRecord* args, const char* zeroMessage,
             Step step) {
  double r = DoubleArg(args, count, 0);
  for (int32_t i = 1; i < count; ++i) {
    if (args[i].kind == kind::kNone) continue;
    double b = NumberArgument(args[i]);
    if (b == 0) RaiseCommandError(Gb(zeroMessage));
    r = step(r, b);
  }
  *result = MakeDouble(r);
}

void CmdIntDivide(ValueRecord* result, int32_t count, const ValueRecord* args) {
  Chained(result, count, args, "不能整除于零",
          [](double a, double b) { return std::trunc(a / b); });
}

void CmdRemainder(ValueRecord* result, int32_t count, const ValueRecord* args) {
  Chained(result, count, args, "不能求余数于零",
          [](double a, double b) { return std::fmod(a, b); });
}

void CmdAbs(ValueRecord* result, int32_t count, const ValueRecord* args) {
  double x = DoubleArg(args, count, 0);
  *result = MakeDouble(x >= 0 ? x : -x);
}

void CmdRgb(ValueRecord* result, int32_t count, const ValueRecord* args) {
  // Red and blue are deliberately not masked; the sum wraps like the 32-bit original.
  uint32_t r = static_cast<uint32_t>(IntegerArg(args, count, 0));
  uint32_t g = static_cast<uint32_t>(IntegerArg(args, count, 1)) & 0xFF;
  uint32_t b = static_cast<uint32_t>(IntegerArg(args, count, 2));
  *result = MakeInteger(static_cast<int32_t>(r + g * 256u + b * 65536u));
}

void CmdTickCount(ValueRecord* result, int32_t, const ValueRecord*) {
  *result = MakeInteger(static_cast<int32_t>(SystemTicks()));
}

// ---- Text and byte sets ----

std::string Printf(const char* format, auto value) {
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, format, value);
  return std::string(buffer, n > 0 ? size_t(n) : 0);
}

void CmdToText(ValueRecord* result, int32_t count, const ValueRecord* args) {
  if (count < 1) return SetText(result, {});
  const ValueRecord& v = args[0];
  switch (v.kind) {
    case kind::kByte:
      return SetText(result, Printf("%u", unsigned(uint8_t(v.value))));
    case kind::kShort:
      return SetText(result, Printf("%d", int(int16_t(v.value))));
    case kind::kInteger:
      return SetText(result, Printf("%d", LowInteger(v)));
    case kind::kLong:
      return SetText(result, Printf("%lld", static_cast<long long>(v.value)));
    case kind::kFloat:
      return SetText(result, Printf("%.6g", double(FloatOf(v))));
    case kind::kDouble:
      return SetText(result, Printf("%.13g", DoubleOf(v)));
    case kind::kLogic:
      return SetText(result, Gb(LowInteger(v) != 0 ? "真" : "假"));
    case kind::kDateTime:
      return SetText(result, DateTimeText(DoubleOf(v)));
    default: {
      auto bytes = RawBytes(v);
      if (v.kind == kind::kText || v.kind == kind::kByteSet || IsArrayKind(v.kind))
        return SetText(result, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
      return SetText(result, {});
    }
  }
}

void CmdToBytes(ValueRecord* result, int32_t count, const ValueRecord* args) {
  if (count < 1) return;
  SetBytes(result, RawBytes(args[0]));
  result->kind = kind::kByteSet;
}

void CmdBytesLength(ValueRecord* result, int32_t count, const ValueRecord* args) {
  *result = MakeInteger(static_cast<int32_t>(BytesArg(args, count, 0).size()));
}

void CmdBytesLeft(ValueRecord* result, int32_t count, const ValueRecord* args) {
  auto data = BytesArg(args, count, 0);
  int64_t n = std::clamp<int64_t>(IntegerArg(args, count, 1), 0, int64_t(data.size()));
  SetBytes(result, data.first(size_t(n)));
  result->kind = kind::kByteSet;
}

void CmdBytesMid(ValueRecord* result, int32_t count, const ValueRecord* args) {
  auto data = BytesArg(args, count, 0);
  int64_t start =
      std::clamp<int64_t>(int64_t{IntegerArg(args, count, 1)} - 1, 0, int64_t(data.size()));
  int64_t n = std::clamp<int64_t>(IntegerArg(args, count, 2), 0, int64_t(data.size()) - start);
  SetBytes(result, data.subspan(size_t(start), size_t(n)));
  result->kind = kind::kByteSet;
}

constexpr std::array<int32_t, 10> kGetSizes = {1, 2, 4, 8, 4, 8, 4, 8, 4, 0};

void CmdBytesGet(ValueRecord* result, int32_t count, const ValueRecord* args) {
  auto data = BytesArg(args, count, 0);
  int32_t what = IntegerArg(args, count, 1);
  if (what < kGetByte || what > kGetText) RaiseCommandError(Gb("“欲取出数据的类型”参数值无效"));

  int32_t* positionVariable = nullptr;
  int32_t position = 1;
  if (count > 2 && args[2].kind == (kind::kInteger | kind::kReferenceFlag)) {
    positionVariable = PointerOf<int32_t>(args[2]);
    position = *positionVariable;
  } else if (count > 2 && args[2].kind != kind::kNone) {
    position = IntegerArg(args, count, 2);
  }

  // The area from the position on; nothing when the position is below 1.
  std::span<const uint8_t> area;
  if (position >= 1 && int64_t{position} - 1 < int64_t(data.size()))
    area = data.subspan(size_t(position - 1));

  int64_t consumed;
  if (what == kGetText) {
    auto text = std::string_view(reinterpret_cast<const char*>(area.data()), area.size());
    size_t zero = text.find('\0');
    SetText(result, text.substr(0, zero));
    consumed = zero == std::string_view::npos ? int64_t(text.size()) : int64_t(zero) + 1;
  } else {
    int32_t size = kGetSizes[size_t(what - 1)];
    uint8_t raw[8] = {};
    if (!area.empty()) std::memcpy(raw, area.data(), std::min<size_t>(area.size(), size_t(size)));
    uint64_t bits;
    std::memcpy(&bits, raw, sizeof bits);
    consumed = size;
    switch (what) {
      case kGetByte:
        *result = MakeByte(raw[0]);
        break;
      case kGetShort:
        *result = MakeShort(static_cast<int16_t>(bits));
        break;
      case kGetInteger:
        *result = MakeInteger(static_cast<int32_t>(bits));
        break;
      case kGetLong:
        *result = MakeLong(static_cast<int64_t>(bits));
        break;
      case kGetFloat:
        result->value = bits & 0xFFFFFFFFu;
        result->kind = kind::kFloat;
        break;
      case kGetDouble:
        result->value = bits;
        result->kind = kind::kDouble;
        break;
      case kGetLogic:
        *result = MakeLogic(static_cast<uint32_t>(bits) != 0);
        break;
      case kGetDateTime: {
        double d;
        std::memcpy(&d, raw, sizeof d);
        // NaN has no place in the range; it reads as the earliest day.
        d = std::isnan(d) ? kMinDateTime : std::clamp(d, kMinDateTime, kMaxDateTime);
        *result = MakeDateTime(d);
        break;
      }
      case kGetRoutine:
        result->value = bits & 0xFFFFFFFFu;
        result->kind = kind::kRoutine;
        break;
    }
  }

  // A position below 1 reads nothing and leaves the variable as it was (-1 stays at the end).
  if (positionVariable != nullptr && position >= 1) {
    int64_t next = int64_t{position} + consumed;
    *positionVariable = next - 1 >= int64_t(data.size()) ? -1 : static_cast<int32_t>(next);
  }
}

// ---- Files ----

void CmdReadFile(ValueRecord* result, int32_t count, const ValueRecord* args) {
  result->kind = kind::kByteSet;
  auto name = TextArg(args, count, 0);
  if (name.empty()) return NoteFileError(std::strerror(ENOENT));
  auto path = GbToUtf8(name);
  if (!path) return NoteFileError(std::strerror(EILSEQ));
  std::vector<uint8_t> bytes;
  if (ReadFileBytes(*path, bytes)) SetBytes(result, bytes);
}

void CmdWriteFile(ValueRecord* result, int32_t count, const ValueRecord* args) {
  *result = MakeLogic(false);
  auto name = TextArg(args, count, 0);
  if (name.empty()) return NoteFileError(std::strerror(ENOENT));
  auto path = GbToUtf8(name);
  if (!path) return NoteFileError(std::strerror(EILSEQ));
  std::vector<std::span<const uint8_t>> parts;
  for (int32_t i = 1; i < count; ++i)
    if (args[i].kind != kind::kNone) parts.push_back(BytesArg(args, count, i));
  *result = MakeLogic(ReplaceFileBytes(*path, parts));
}

// ---- Message box ----

BoxIcon IconOf(int32_t icon) {
  switch (icon) {
    case kIconError:
      return BoxIcon::kError;
    case kIconWarning:
      return BoxIcon::kWarning;
    case kIconInformation:
      return BoxIcon::kInformation;
    default:
      return BoxIcon::kNone;
  }
}

void CmdMessageBox(ValueRecord* result, int32_t count, const ValueRecord* args) {
  *result = ValueRecord{};
  ShowBox(IconOf(IntegerArg(args, count, 2)), GbToUtf8Lossy(TextArg(args, count, 0)),
          GbToUtf8Lossy(TextArg(args, count, 1)));
}

std::array<Command, size_t(CommandId::Count_)>& Table() {
  static std::array<Command, size_t(CommandId::Count_)> table = [] {
    std::array<Command, size_t(CommandId::Count_)> t{};
    t[size_t(CommandId::IntDivide)] = CmdIntDivide;
    t[size_t(CommandId::Remainder)] = CmdRemainder;
    t[size_t(CommandId::Abs)] = CmdAbs;
    t[size_t(CommandId::Rgb)] = CmdRgb;
    t[size_t(CommandId::TickCount)] = CmdTickCount;
    t[size_t(CommandId::ToText)] = CmdToText;
    t[size_t(CommandId::ToBytes)] = CmdToBytes;
    t[size_t(CommandId::BytesLength)] = CmdBytesLength;
    t[size_t(CommandId::BytesLeft)] = CmdBytesLeft;
    t[size_t(CommandId::BytesMid)] = CmdBytesMid;
    t[size_t(CommandId::BytesGet)] = CmdBytesGet;
    t[size_t(CommandId::ReadFile)] = CmdReadFile;
    t[size_t(CommandId::WriteFile)] = CmdWriteFile;
    t[size_t(CommandId::MessageBox)] = CmdMessageBox;
    return t;
  }();
  return table;
}

// Days from 1 January 1970 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  if (m <= 2) ++y;
}

}  // namespace

void RegisterCommand(CommandId id, Command command) {
  Table()[size_t(id)] = command;
}

ValueRecord CallCommand(CommandId id, int32_t count, const ValueRecord* args) {
  ValueRecord result{};
  auto index = static_cast<size_t>(id);
  Command command = index < Table().size() ? Table()[index] : nullptr;
  if (command == nullptr) RaiseError(kWrongArgumentKind);
  command(&result, count, args);
  return result;
}

std::string DateTimeText(double days) {
  if (std::isnan(days)) days = kMinDateTime;
  days = std::clamp(days, kMinDateTime, kMaxDateTime + 0.99999);
  // Whole days count from 30 December 1899; the fraction is the time of day whatever the sign.
  double whole = std::trunc(days);
  int64_t seconds = std::llround(std::fabs(days - whole) * 86400.0);
  int64_t day = int64_t(whole);
  if (seconds >= 86400) {
    seconds -= 86400;
    day += days < 0 ? -1 : 1;
  }
  int64_t year;
  int month, dayOfMonth;
  CivilFromDays(day - 25569, year, month, dayOfMonth);
  int hour = int(seconds / 3600), minute = int(seconds / 60 % 60), second = int(seconds % 60);
  std::string text = std::to_string(year) + Gb("年") + std::to_string(month) + Gb("月") +
                     std::to_string(dayOfMonth) + Gb("日");
  if (second != 0)
    text += std::to_string(hour) + Gb("时") + std::to_string(minute) + Gb("分") +
            std::to_string(second) + Gb("秒");
  else if (minute != 0)
    text += std::to_string(hour) + Gb("时") + std::to_string(minute) + Gb("分");
  else if (hour != 0)
    text += std::to_string(hour) + Gb("时");
  return text;
}

double Abs(double x) {
  return DoubleOf(CallCommand(CommandId::Abs, {MakeDouble(x)}));
}

int32_t Rgb(int32_t r, int32_t g, int32_t b) {
  return LowInteger(CallCommand(CommandId::Rgb, {MakeInteger(r), MakeInteger(g), MakeInteger(b)}));
}

int32_t TickCount() {
  return LowInteger(CallCommand(CommandId::TickCount, {}));
}

Text ToText(const ValueRecord& value) {
  return Text::Adopt(PointerOf<char>(CallCommand(CommandId::ToText, {value})));
}

ByteSet ToBytes(const ValueRecord& value) {
  return ByteSet::Adopt(PointerOf<void>(CallCommand(CommandId::ToBytes, {value})));
}

int32_t BytesLength(const ByteSet& data) {
  return LowInteger(CallCommand(CommandId::BytesLength, {data.Argument()}));
}

ByteSet BytesLeft(const ByteSet& data, int32_t n) {
  return ByteSet::Adopt(
      PointerOf<void>(CallCommand(CommandId::BytesLeft, {data.Argument(), MakeInteger(n)})));
}

ByteSet BytesMid(const ByteSet& data, int32_t start, int32_t n) {
  return ByteSet::Adopt(PointerOf<void>(
      CallCommand(CommandId::BytesMid, {data.Argument(), MakeInteger(start), MakeInteger(n)})));
}

ValueRecord BytesGet(const ByteSet& data, int32_t kind) {
  return CallCommand(CommandId::BytesGet, {data.Argument(), MakeInteger(kind)});
}

ValueRecord BytesGet(const ByteSet& data, int32_t kind, int32_t position) {
  return CallCommand(CommandId::BytesGet,
                     {data.Argument(), MakeInteger(kind), MakeInteger(position)});
}

ValueRecord BytesGet(const ByteSet& data, int32_t kind, int32_t* positionVariable) {
  return CallCommand(CommandId::BytesGet,
                     {data.Argument(), MakeInteger(kind),
                      MakePointer(kind::kInteger | kind::kReferenceFlag, positionVariable)});
}

ByteSet ReadFile(const Text& name) {
  return ByteSet::Adopt(PointerOf<void>(CallCommand(CommandId::ReadFile, {name.Argument()})));
}

bool WriteFile(const Text& name, std::initializer_list<const ByteSet*> parts) {
  std::vector<ValueRecord> args{name.Argument()};
  for (const ByteSet* part : parts) args.push_back(part->Argument());
  return LowInteger(CallCommand(CommandId::WriteFile, int32_t(args.size()), args.data())) != 0;
}

Text LastFileError() {
  std::string reason = LastFileFailure();
  auto gb = Utf8ToGb(reason);
  return Text(gb ? *gb : reason);
}

void MessageBox(const Text& text, const Text& caption, int32_t icon) {
  CallCommand(CommandId::MessageBox, {text.Argument(), caption.Argument(), MakeInteger(icon)});
}

}  // namespace runtime
