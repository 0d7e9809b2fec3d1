#include "LargeArray.h"

#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace corvanth {
namespace {

std::size_t MappedBytes(std::size_t bytes) {
    return (bytes + kLargeBlockBytes - 1) / kLargeBlockBytes * kLargeBlockBytes;
}

} // namespace

void* AllocateLargeBlock(std::size_t bytes) {
    // A huge page must start on a multiple of its size: one block more is mapped, and what lies
    // before the first aligned address and after the block is given back at once.
    const std::size_t mapped = MappedBytes(bytes);
    void* area = ::mmap(nullptr, mapped + kLargeBlockBytes, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(area);
    const std::uintptr_t aligned = (start + kLargeBlockBytes - 1) & ~(std::uintptr_t{kLargeBlockBytes} - 1);
    if (aligned > start) ::munmap(area, aligned - start);
    const std::uintptr_t end = start + mapped + kLargeBlockBytes;
    if (end > aligned + mapped) ::munmap(reinterpret_cast<void*>(aligned + mapped), end - (aligned + mapped));
#ifdef MADV_HUGEPAGE
    // Only advice: where huge pages are off or none is free, the block has ordinary pages.
    ::madvise(reinterpret_cast<void*>(aligned), mapped, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept {
    ::munmap(block, MappedBytes(bytes));
}

} // namespace corvanth
