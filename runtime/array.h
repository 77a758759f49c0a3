// RuntimeArray blocks: a 32-bit dimension count n, n 32-bit sizes, then the elements row-major.
// Every access is 1-based and bounds-tested; a bad index is a runtime error with its code.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <span>
#include <type_traits>
#include <utility>

#include "runtime/error.h"
#include "runtime/heap.h"
#include "runtime/value.h"

namespace runtime {

inline int32_t ArrayDimensions(const void* block) {
  return static_cast<const int32_t*>(block)[0];
}
inline const int32_t* ArraySizes(const void* block) {
  return static_cast<const int32_t*>(block) + 1;
}
inline size_t ArrayHeaderBytes(int32_t dims) {
  return sizeof(int32_t) * (1 + size_t(dims));
}
inline unsigned char* ArrayElements(void* block) {
  return static_cast<unsigned char*>(block) + ArrayHeaderBytes(ArrayDimensions(block));
}
inline const unsigned char* ArrayElements(const void* block) {
  return static_cast<const unsigned char*>(block) + ArrayHeaderBytes(ArrayDimensions(block));
}
// The product of all dimension sizes.
int64_t ArrayElementCount(const void* block);
size_t ArrayBlockBytes(const void* block, size_t elementSize);

// A new heap block with these sizes and every element zero. Sizes follow the redimension rule.
void* NewArrayBlock(std::span<const int32_t> sizes, size_t elementSize);
// A heap copy of header and elements.
void* CopyArrayBlock(const void* block, size_t elementSize);
// Gives the variable new sizes: each above 0, or at least 0 for a single dimension, else error 10.
// With keepElements the leading elements (in storage order) survive; the rest are zero.
void RedimArray(void*& variable, std::span<const int32_t> sizes, size_t elementSize,
                bool keepElements);
// A variable whose block lies in the constant area gets a heap copy before it is changed.
void MakeArrayWritable(size_t elementSize, void*& variable);

// The zero-based element number of a 1-based access with k = indexes.size() indexes, in the order
// of the tests: every index below 1 is error 4; one index must stay below the element count
// (error 1); otherwise k must equal the dimension count (error 3) and each index its size (1).
int64_t ArrayElementNumber(const void* block, std::span<const int32_t> indexes);

// An index as the game computes it: integers as they are, doubles truncated toward zero.
struct Index {
  int32_t value;
  template <std::integral I>
  constexpr Index(I i) : value(static_cast<int32_t>(i)) {}  // NOLINT: implicit on purpose
  template <std::floating_point F>
  Index(F f) : value(TruncateToInteger(static_cast<double>(f))) {}  // NOLINT
};

template <typename T>
constexpr ValueKind KindOfElement() {
  if constexpr (std::is_same_v<T, uint8_t>)
    return kind::kByte;
  else if constexpr (std::is_same_v<T, int16_t>)
    return kind::kShort;
  else if constexpr (std::is_same_v<T, int32_t>)
    return kind::kInteger;
  else if constexpr (std::is_same_v<T, int64_t>)
    return kind::kLong;
  else if constexpr (std::is_same_v<T, float>)
    return kind::kFloat;
  else if constexpr (std::is_same_v<T, double>)
    return kind::kDouble;
  else
    return kind::kNone;  // a record of the game's own
}

// The game's face of a runtime array: an owning variable over one block, whose elements are
// plain values (numbers or records of numbers). Copying a variable copies the whole block.
template <typename T>
class Array {
  static_assert(std::is_trivially_copyable_v<T>, "array elements are raw values");

 public:
  // A single dimension of size 0.
  Array() : Array({0}) {}
  Array(std::initializer_list<int32_t> sizes)
      : block_(NewArrayBlock(std::span(sizes.begin(), sizes.size()), sizeof(T))) {
    CheckAlignment();
  }
  // Starts as the constant block itself; it is copied to the heap before the first change.
  static Array FromConstant(const void* constantBlock) {
    return Array(const_cast<void*>(constantBlock));
  }
  static Array Adopt(void* heapBlock) { return Array(heapBlock); }

  Array(const Array& other) : block_(CopyArrayBlock(other.block_, sizeof(T))) {}
  Array(Array&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  Array& operator=(const Array& other) {
    if (this != &other) {
      void* copy = CopyArrayBlock(other.block_, sizeof(T));
      RuntimeFree(block_);
      block_ = copy;
    }
    return *this;
  }
  Array& operator=(Array&& other) noexcept {
    std::swap(block_, other.block_);
    return *this;
  }
  ~Array() { RuntimeFree(block_); }

  int32_t Dimensions() const { return ArrayDimensions(block_); }
  int32_t Size(int32_t dimension) const { return ArraySizes(block_)[dimension - 1]; }
  // A single dimension, the common case of the game's lists and tables, needs no loop.
  int64_t Count() const {
    return Dimensions() == 1 ? int64_t{ArraySizes(block_)[0]} : ArrayElementCount(block_);
  }

  // One index: the elements as one flat row.
  T& operator[](Index i) { return Writable()[Flat(i.value)]; }
  const T& operator[](Index i) const { return Elements()[Flat(i.value)]; }

  template <typename... I>
  T& operator()(I... indexes) {
    return Writable()[Element(Index(indexes).value...)];
  }
  template <typename... I>
  const T& operator()(I... indexes) const {
    return Elements()[Element(Index(indexes).value...)];
  }

  void Redim(std::initializer_list<int32_t> sizes, bool keepElements = false) {
    RedimArray(block_, std::span(sizes.begin(), sizes.size()), sizeof(T), keepElements);
    CheckAlignment();
  }
  // Every element zero, the sizes unchanged.
  void Clear() { std::memset(static_cast<void*>(Writable()), 0, size_t(Count()) * sizeof(T)); }

  const void* Block() const { return block_; }
  ValueRecord Argument() const {
    return MakePointer(KindOfElement<T>() | kind::kArrayFlag, block_);
  }

 private:
  explicit Array(void* block) : block_(block) { CheckAlignment(); }

  // The elements follow a header of 4 + 4 n bytes in a block aligned to 8, so elements of 8-byte
  // kinds are aligned only with an odd number of dimensions. Reaching them otherwise would be
  // undefined behaviour, so such an array is a fault of the program itself.
  void CheckAlignment() const {
    if constexpr (alignof(T) > alignof(int32_t)) {
      if (ArrayHeaderBytes(Dimensions()) % alignof(T) != 0) {
        std::fputs("runtime: 8-byte elements need an odd number of dimensions\n", stderr);
        std::abort();
      }
    }
  }

  const T* Elements() const { return reinterpret_cast<const T*>(ArrayElements(block_)); }
  T* Writable() {
    if (IsConstant(block_)) MakeArrayWritable(sizeof(T), block_);
    return reinterpret_cast<T*>(ArrayElements(block_));
  }

  int64_t Flat(int32_t i) const {
    int64_t zero = int64_t{i} - 1;
    if (zero < 0) RaiseError(kIndexBelowOne);
    if (zero >= Count()) RaiseError(kIndexAboveRange);
    return zero;
  }

  // The common case of the game, two indexes, tested inline without building a span.
  int64_t Element(int32_t i) const { return Flat(i); }
  int64_t Element(int32_t row, int32_t col) const {
    int64_t r = int64_t{row} - 1, c = int64_t{col} - 1;
    if (r < 0 || c < 0) RaiseError(kIndexBelowOne);
    if (Dimensions() != 2) RaiseError(kWrongIndexCount);
    const int32_t* sizes = ArraySizes(block_);
    if (r >= sizes[0] || c >= sizes[1]) RaiseError(kIndexAboveRange);
    return r * sizes[1] + c;
  }
  template <typename... I>
  requires(sizeof...(I) > 2) int64_t Element(I... indexes)
  const {
    const int32_t list[] = {indexes...};
    return ArrayElementNumber(block_, list);
  }

  void* block_;
};

}  // namespace runtime
