#include "runtime/value.h"

#include <cmath>
#include <limits>

#include "runtime/error.h"

namespace runtime {

bool IsArrayKind(ValueKind k) {
  return (k & kind::kArrayFlag) != 0;
}

ValueKind ElementKind(ValueKind k) {
  return k & ~kind::kArrayFlag;
}

bool IsNumericKind(ValueKind k) {
  switch (k) {
    case kind::kByte:
    case kind::kShort:
    case kind::kInteger:
    case kind::kLong:
    case kind::kFloat:
    case kind::kDouble:
      return true;
    default:
      return false;
  }
}

int32_t RawSizeOf(ValueKind k) {
  switch (k) {
    case kind::kByte:
      return 1;
    case kind::kShort:
      return 2;
    case kind::kInteger:
    case kind::kFloat:
    case kind::kLogic:
    case kind::kRoutine:
      return 4;
    case kind::kLong:
    case kind::kDouble:
    case kind::kDateTime:
      return 8;
    default:
      return 0;
  }
}

int32_t TruncateToInteger(double d) {
  // Compare in doubles so that nothing out of range ever reaches the conversion.
  if (!(d > -2147483649.0 && d < 2147483648.0)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(d);
}

int64_t TruncateToLong(double d) {
  if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0))
    return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(d);
}

namespace {
template <typename T>
ValueRecord MakeRaw(ValueKind k, T v) {
  ValueRecord r;
  std::memcpy(&r.value, &v, sizeof v);
  r.kind = k;
  return r;
}
}  // namespace

ValueRecord MakeByte(uint8_t v) {
  return MakeRaw(kind::kByte, v);
}
ValueRecord MakeShort(int16_t v) {
  return MakeRaw(kind::kShort, v);
}
ValueRecord MakeInteger(int32_t v) {
  return MakeRaw(kind::kInteger, v);
}
ValueRecord MakeLong(int64_t v) {
  return MakeRaw(kind::kLong, v);
}
ValueRecord MakeFloat(float v) {
  return MakeRaw(kind::kFloat, v);
}
ValueRecord MakeDouble(double v) {
  return MakeRaw(kind::kDouble, v);
}
ValueRecord MakeLogic(bool v) {
  return MakeRaw(kind::kLogic, int32_t{v ? 1 : 0});
}
ValueRecord MakeDateTime(double days) {
  return MakeRaw(kind::kDateTime, days);
}
ValueRecord MakePointer(ValueKind k, const void* p) {
  return MakeRaw(k, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)));
}

double NumberArgument(const ValueRecord& r) {
  switch (r.kind) {
    case kind::kByte:
      return static_cast<uint8_t>(r.value);
    case kind::kShort:
      return static_cast<int16_t>(r.value);
    case kind::kInteger:
    case kind::kLogic:
    case kind::kRoutine:
      return static_cast<int32_t>(r.value);
    case kind::kLong:
      return static_cast<double>(static_cast<int64_t>(r.value));
    case kind::kFloat:
      return FloatOf(r);
    case kind::kDouble:
    case kind::kDateTime:
      return DoubleOf(r);
    default:
      return 0;
  }
}

double NumberResult(const ValueRecord& r) {
  if (!IsNumericKind(r.kind)) RaiseError(2);
  return NumberArgument(r);
}

int32_t IntegerResult(const ValueRecord& r) {
  switch (r.kind) {
    case kind::kByte:
    case kind::kShort:
    case kind::kInteger:
      return static_cast<int32_t>(NumberArgument(r));
    case kind::kLong:
      return static_cast<int32_t>(static_cast<int64_t>(r.value));  // low 32 bits, as stored
    default:
      return TruncateToInteger(NumberResult(r));
  }
}

const char* TextResult(const ValueRecord& r) {
  if (r.kind != kind::kText) RaiseError(5);
  return PointerOf<const char>(r);
}

}  // namespace runtime
