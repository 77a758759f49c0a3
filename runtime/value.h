// Value kinds and the 12-byte value record that every command takes and returns.
#pragma once

#include <cstdint>
#include <cstring>

namespace runtime {

using ValueKind = uint32_t;

namespace kind {
inline constexpr ValueKind kNone = 0;  // an omitted optional argument
inline constexpr ValueKind kByte = 0x80000101;
inline constexpr ValueKind kShort = 0x80000201;
inline constexpr ValueKind kInteger = 0x80000301;
inline constexpr ValueKind kLong = 0x80000401;
inline constexpr ValueKind kFloat = 0x80000501;
inline constexpr ValueKind kDouble = 0x80000601;
inline constexpr ValueKind kLogic = 0x80000002;
inline constexpr ValueKind kDateTime = 0x80000003;
inline constexpr ValueKind kText = 0x80000004;
inline constexpr ValueKind kByteSet = 0x80000005;
inline constexpr ValueKind kRoutine = 0x80000006;

// Added to a kind: the value points to a RuntimeArray block of that element kind.
inline constexpr ValueKind kArrayFlag = 0x20000000;
// Added to kInteger: the value points to the caller's 32-bit variable, which the command may
// update (the position argument of BytesGet).
inline constexpr ValueKind kReferenceFlag = 0x40000000;
}  // namespace kind

// Date-times are days since 30 December 1899; the fraction is the time of day.
inline constexpr double kMinDateTime = -657434.0;  // 1 January 100
inline constexpr double kMaxDateTime = 2958465.0;  // 31 December 9999

#pragma pack(push, 4)
struct ValueRecord {
  uint64_t value = 0;  // 32-bit values sit in the low half, the upper half zero
  ValueKind kind = kind::kNone;
};
#pragma pack(pop)
static_assert(sizeof(ValueRecord) == 12, "a value record is exactly 12 bytes");

bool IsArrayKind(ValueKind k);
ValueKind ElementKind(ValueKind k);  // the kind without the array flag
bool IsNumericKind(ValueKind k);
// Bytes a value of this kind takes when copied raw; 0 for texts and byte sets (variable) and
// for unknown kinds. Array elements of texts and byte sets are 4-byte pointers.
int32_t RawSizeOf(ValueKind k);

// A double stored into an integer is truncated toward zero. Values outside the 32-bit range and
// NaN become the integer indefinite value 0x80000000, as the processor produces.
int32_t TruncateToInteger(double d);
int64_t TruncateToLong(double d);

ValueRecord MakeByte(uint8_t v);
ValueRecord MakeShort(int16_t v);
ValueRecord MakeInteger(int32_t v);
ValueRecord MakeLong(int64_t v);
ValueRecord MakeFloat(float v);
ValueRecord MakeDouble(double v);
ValueRecord MakeLogic(bool v);
ValueRecord MakeDateTime(double days);
ValueRecord MakePointer(ValueKind k, const void* p);  // texts, byte sets, arrays, references

inline int32_t LowInteger(const ValueRecord& r) {
  return static_cast<int32_t>(r.value);
}
inline double DoubleOf(const ValueRecord& r) {
  double d;
  std::memcpy(&d, &r.value, sizeof d);
  return d;
}
inline float FloatOf(const ValueRecord& r) {
  float f;
  std::memcpy(&f, &r.value, sizeof f);
  return f;
}
template <typename T = void>
T* PointerOf(const ValueRecord& r) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(r.value));
}

// Any numeric argument read as a double (integers exactly); other kinds read as 0.
double NumberArgument(const ValueRecord& r);

// Results whose kind is known only at run time: a number must have one of the six numeric kinds
// (error 2), a text must be a text (error 5).
double NumberResult(const ValueRecord& r);
int32_t IntegerResult(const ValueRecord& r);
const char* TextResult(const ValueRecord& r);

}  // namespace runtime
