#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace corvanth {

// Memory for arrays that grow to megabytes (a search's rows and the tables it builds over them).
// Blocks of at least kLargeBlockBytes are mapped on their own, aligned to and rounded up to that size,
// and offered to the kernel for transparent huge pages: filling a few hundred megabytes then takes a
// few hundred page faults instead of tens of thousands. Smaller blocks come from the usual heap.
inline constexpr std::size_t kLargeBlockBytes = std::size_t{2} << 20;

// Throws std::bad_alloc when the system has no memory to map.
void* AllocateLargeBlock(std::size_t bytes);
void FreeLargeBlock(void* block, std::size_t bytes) noexcept;

template <class T> struct LargeArrayAllocator {
    using value_type = T;

    LargeArrayAllocator() = default;
    template <class U> LargeArrayAllocator(const LargeArrayAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n * sizeof(T) < kLargeBlockBytes) return std::allocator<T>().allocate(n);
        return static_cast<T*>(AllocateLargeBlock(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (n * sizeof(T) < kLargeBlockBytes)
            std::allocator<T>().deallocate(p, n);
        else
            FreeLargeBlock(p, n * sizeof(T));
    }

    template <class U> bool operator==(const LargeArrayAllocator<U>&) const noexcept { return true; }
};

template <class T> using LargeArray = std::vector<T, LargeArrayAllocator<T>>;

} // namespace corvanth
