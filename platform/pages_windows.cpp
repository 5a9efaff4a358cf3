// Memory of whole pages on Windows: committed pages, each made present on its first write.

#include <windows.h>

#include "platform/pages.h"

namespace morvane {

void* AllocatePages(std::size_t size) {
  void* const block = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  return block;
}

void FreePages(void* block, std::size_t) noexcept { ::VirtualFree(block, 0, MEM_RELEASE); }

}  // namespace morvane
