// Runtime memory: heap blocks that never come back null, and the read-only constant area that
// literals of the game live in.
#pragma once

#include <cstddef>

namespace runtime {

// Never returns null: exhaustion is the runtime error "分配 %d 字节内存失败!".
void* RuntimeAlloc(size_t size);
void* RuntimeAllocZeroed(size_t size);
// A null block is a fresh allocation; a constant block is copied into a fresh heap block (as many
// bytes as the new size, at most up to the end of the constant area).
void* RuntimeRealloc(void* block, size_t size);
// Null and constant blocks are ignored.
void RuntimeFree(void* block);

// The constant area is one address range; blocks in it are never freed or written.
inline constexpr size_t kConstantAreaSize = size_t{8} << 20;
extern unsigned char constantArea[kConstantAreaSize];
// Inline, because every write through an array asks it.
inline bool IsConstant(const void* p) {
  auto* b = static_cast<const unsigned char*>(p);
  return b >= constantArea && b < constantArea + kConstantAreaSize;
}
// Copies data into the constant area (8-byte aligned) and returns its address there. Used once per
// literal, at start or on first use.
const void* MakeConstant(const void* data, size_t size);

}  // namespace runtime
