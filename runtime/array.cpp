#include "runtime/array.h"

namespace runtime {

namespace {

// Element count of a list of sizes, or -1 when it is refused by the redimension rule or would not
// fit in a block the runtime can address.
int64_t CountOfSizes(std::span<const int32_t> sizes) {
  if (sizes.empty()) return -1;
  int64_t count = 1;
  for (int32_t s : sizes) {
    if (s < 0 || (s == 0 && sizes.size() > 1)) return -1;
    count *= s;
    if (count > INT32_MAX) return -2;
  }
  return count;
}

void* BlockForSizes(std::span<const int32_t> sizes, size_t elementSize) {
  int64_t count = CountOfSizes(sizes);
  if (count == -1) RaiseError(kBadRedimension);
  size_t header = ArrayHeaderBytes(static_cast<int32_t>(sizes.size()));
  if (count < 0 || size_t(count) > (SIZE_MAX - header) / (elementSize ? elementSize : 1))
    RuntimeAlloc(SIZE_MAX);  // too large for memory: reported as exhaustion
  void* block = RuntimeAllocZeroed(header + size_t(count) * elementSize);
  auto* words = static_cast<int32_t*>(block);
  words[0] = static_cast<int32_t>(sizes.size());
  std::memcpy(words + 1, sizes.data(), sizes.size() * sizeof(int32_t));
  return block;
}

}  // namespace

int64_t ArrayElementCount(const void* block) {
  int64_t count = 1;
  const int32_t* sizes = ArraySizes(block);
  for (int32_t d = 0; d < ArrayDimensions(block); ++d) count *= sizes[d];
  return count;
}

size_t ArrayBlockBytes(const void* block, size_t elementSize) {
  return ArrayHeaderBytes(ArrayDimensions(block)) + size_t(ArrayElementCount(block)) * elementSize;
}

void* NewArrayBlock(std::span<const int32_t> sizes, size_t elementSize) {
  return BlockForSizes(sizes, elementSize);
}

void* CopyArrayBlock(const void* block, size_t elementSize) {
  size_t bytes = ArrayBlockBytes(block, elementSize);
  void* copy = RuntimeAlloc(bytes);
  std::memcpy(copy, block, bytes);
  return copy;
}

void RedimArray(void*& variable, std::span<const int32_t> sizes, size_t elementSize,
                bool keepElements) {
  void* fresh = BlockForSizes(sizes, elementSize);
  if (keepElements && variable != nullptr) {
    size_t oldBytes = size_t(ArrayElementCount(variable)) * elementSize;
    size_t newBytes = size_t(ArrayElementCount(fresh)) * elementSize;
    std::memcpy(ArrayElements(fresh), ArrayElements(variable),
                oldBytes < newBytes ? oldBytes : newBytes);
  }
  RuntimeFree(variable);
  variable = fresh;
}

void MakeArrayWritable(size_t elementSize, void*& variable) {
  if (variable != nullptr && IsConstant(variable)) variable = CopyArrayBlock(variable, elementSize);
}

int64_t ArrayElementNumber(const void* block, std::span<const int32_t> indexes) {
  for (int32_t i : indexes)
    if (int64_t{i} - 1 < 0) RaiseError(kIndexBelowOne);
  if (indexes.size() == 1) {
    if (int64_t{indexes[0]} - 1 >= ArrayElementCount(block)) RaiseError(kIndexAboveRange);
    return int64_t{indexes[0]} - 1;
  }
  if (int64_t(indexes.size()) != ArrayDimensions(block)) RaiseError(kWrongIndexCount);
  const int32_t* sizes = ArraySizes(block);
  int64_t number = 0;
  for (size_t d = 0; d < indexes.size(); ++d) {
    int64_t zero = int64_t{indexes[d]} - 1;
    if (zero >= sizes[d]) RaiseError(kIndexAboveRange);
    number = number * sizes[d] + zero;
  }
  return number;
}

}  // namespace runtime
