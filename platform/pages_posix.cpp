// Memory of whole pages on POSIX systems.

#include <sys/mman.h>

#include "platform/pages.h"

namespace morvane {

void* AllocatePages(std::size_t size) {
#ifdef MAP_POPULATE
  constexpr int kPresent = MAP_POPULATE;
#else
  constexpr int kPresent = 0;
#endif
  void* const block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | kPresent, -1, 0);
  if (block == MAP_FAILED) {
    throw std::bad_alloc();
  }
  return block;
}

void FreePages(void* block, std::size_t size) noexcept { ::munmap(block, size); }

}  // namespace morvane
