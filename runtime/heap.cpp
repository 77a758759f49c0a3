#include "runtime/heap.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/error.h"
#include "runtime/text_codec.h"

namespace runtime {

namespace {

size_t constantUsed = 0;

[[noreturn]] void ReportExhaustion(size_t size) {
  std::string message = Gb("分配 ") + std::to_string(size) + Gb(" 字节内存失败!");
  RaiseCommandError(message);
}

}  // namespace

alignas(16) unsigned char constantArea[kConstantAreaSize];

const void* MakeConstant(const void* data, size_t size) {
  size_t start = (constantUsed + 7) & ~size_t{7};
  if (size > kConstantAreaSize - start) ReportExhaustion(size);
  if (size != 0) std::memcpy(constantArea + start, data, size);
  constantUsed = start + size;
  return constantArea + start;
}

void* RuntimeAlloc(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) ReportExhaustion(size);
  return p;
}

void* RuntimeAllocZeroed(size_t size) {
  void* p = std::calloc(size == 0 ? 1 : size, 1);
  if (p == nullptr) ReportExhaustion(size);
  return p;
}

void* RuntimeRealloc(void* block, size_t size) {
  if (block == nullptr) return RuntimeAlloc(size);
  if (IsConstant(block)) {
    auto* from = static_cast<unsigned char*>(block);
    size_t available = static_cast<size_t>(constantArea + kConstantAreaSize - from);
    void* copy = RuntimeAlloc(size);
    std::memcpy(copy, from, size < available ? size : available);
    return copy;
  }
  void* p = std::realloc(block, size == 0 ? 1 : size);
  if (p == nullptr) ReportExhaustion(size);
  return p;
}

void RuntimeFree(void* block) {
  if (block == nullptr || IsConstant(block)) return;
  std::free(block);
}

}  // namespace runtime
