#include "runtime/blocks.h"

#include <algorithm>
#include <cstring>

#include "runtime/heap.h"

namespace runtime {

char* NewTextBlock(std::string_view bytes) {
  if (bytes.empty()) return nullptr;
  auto* block = static_cast<char*>(RuntimeAlloc(bytes.size() + 1));
  std::memcpy(block, bytes.data(), bytes.size());
  block[bytes.size()] = '\0';
  return block;
}

void* NewByteSetBlock(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return nullptr;
  auto* block = static_cast<unsigned char*>(RuntimeAlloc(8 + bytes.size()));
  int32_t header[2] = {1, static_cast<int32_t>(bytes.size())};
  std::memcpy(block, header, sizeof header);
  std::memcpy(block + 8, bytes.data(), bytes.size());
  return block;
}

int32_t ByteSetLength(const void* block) {
  if (block == nullptr) return 0;
  int32_t length;
  std::memcpy(&length, static_cast<const unsigned char*>(block) + 4, sizeof length);
  return length;
}

const uint8_t* ByteSetData(const void* block) {
  return block == nullptr ? nullptr : static_cast<const uint8_t*>(block) + 8;
}

std::span<const uint8_t> ByteSetBytes(const void* block) {
  return {ByteSetData(block), static_cast<size_t>(std::max(ByteSetLength(block), 0))};
}

std::string_view TextView(const char* block) {
  return block == nullptr ? std::string_view() : std::string_view(block);
}

const char* EmptyTextArgument() {
  static const char* empty = static_cast<const char*>(MakeConstant("", 1));
  return empty;
}

const void* EmptyByteSetArgument() {
  static const int32_t header[2] = {1, 0};
  static const void* empty = MakeConstant(header, sizeof header);
  return empty;
}

const void* MakeConstantByteSet(std::span<const uint8_t> bytes) {
  void* heap = NewByteSetBlock(bytes);
  if (heap == nullptr) return nullptr;
  const void* constant = MakeConstant(heap, 8 + bytes.size());
  RuntimeFree(heap);
  return constant;
}

Text::~Text() {
  RuntimeFree(block_);
}

ValueRecord Text::Argument() const {
  return MakePointer(kind::kText, block_ != nullptr ? block_ : EmptyTextArgument());
}

ByteSet::~ByteSet() {
  RuntimeFree(block_);
}

ValueRecord ByteSet::Argument() const {
  return MakePointer(kind::kByteSet, block_ != nullptr ? block_ : EmptyByteSetArgument());
}

bool operator==(const ByteSet& a, const ByteSet& b) {
  return std::ranges::equal(a.Bytes(), b.Bytes());
}

}  // namespace runtime
