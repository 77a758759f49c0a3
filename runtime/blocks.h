// Texts and byte sets as the runtime keeps them, with owning handles for the game.
//
// A text block is its bytes and a terminating zero; a byte-set block is a 32-bit 1, a 32-bit
// length and the bytes (the layout of a one-dimensional byte array). The empty text and the
// empty byte set are null pointers; commands instead receive the constant empty blocks.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/value.h"

namespace runtime {

// New heap blocks; empty contents give null.
char* NewTextBlock(std::string_view bytes);
void* NewByteSetBlock(std::span<const uint8_t> bytes);

int32_t ByteSetLength(const void* block);  // 0 for null
const uint8_t* ByteSetData(const void* block);
std::span<const uint8_t> ByteSetBytes(const void* block);
std::string_view TextView(const char* block);  // empty for null

// The constant empty blocks passed where a variable is empty.
const char* EmptyTextArgument();
const void* EmptyByteSetArgument();
// A byte-set block in the constant area, made once per literal (the sprites are such constants).
const void* MakeConstantByteSet(std::span<const uint8_t> bytes);

// An owning text variable.
class Text {
 public:
  Text() = default;
  explicit Text(std::string_view bytes) : block_(NewTextBlock(bytes)) {}
  static Text Adopt(char* block) {
    Text t;
    t.block_ = block;
    return t;
  }
  Text(const Text& other) : Text(other.View()) {}
  Text(Text&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  Text& operator=(Text other) noexcept {
    std::swap(block_, other.block_);
    return *this;
  }
  ~Text();

  std::string_view View() const { return TextView(block_); }
  std::string String() const { return std::string(View()); }
  bool Empty() const { return block_ == nullptr; }
  const char* Block() const { return block_; }
  // As a command argument: never null.
  ValueRecord Argument() const;
  friend bool operator==(const Text& a, const Text& b) { return a.View() == b.View(); }

 private:
  char* block_ = nullptr;
};

// An owning byte-set variable.
class ByteSet {
 public:
  ByteSet() = default;
  explicit ByteSet(std::span<const uint8_t> bytes) : block_(NewByteSetBlock(bytes)) {}
  static ByteSet Adopt(void* block) {
    ByteSet b;
    b.block_ = block;
    return b;
  }
  ByteSet(const ByteSet& other) : ByteSet(other.Bytes()) {}
  ByteSet(ByteSet&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  ByteSet& operator=(ByteSet other) noexcept {
    std::swap(block_, other.block_);
    return *this;
  }
  ~ByteSet();

  int32_t Length() const { return ByteSetLength(block_); }
  std::span<const uint8_t> Bytes() const { return ByteSetBytes(block_); }
  bool Empty() const { return block_ == nullptr; }
  const void* Block() const { return block_; }
  ValueRecord Argument() const;
  friend bool operator==(const ByteSet& a, const ByteSet& b);

 private:
  void* block_ = nullptr;
};

}  // namespace runtime
