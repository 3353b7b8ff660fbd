// The counting allocator. operator new is replaced here and goes through
// malloc (aligned_alloc for over-aligned types, counted here too); malloc,
// calloc and realloc are wrapped at link time (--wrap), so
// every request of the program's and the stand-in's code passes one counter.
#include "bench/allocation_count.h"

#include <cstdlib>
#include <new>

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
}

// Whether allocations are being counted now; one thread runs the benchmarks.
static bool counting = false;
// Allocations seen since counting last started.
static long counted = 0;

static void Count()
{
    if (counting)
        counted += 1;
}

extern "C" {
void* __wrap_malloc(size_t size)
{
    Count();
    return __real_malloc(size);
}

void* __wrap_calloc(size_t count, size_t size)
{
    Count();
    return __real_calloc(count, size);
}

void* __wrap_realloc(void* block, size_t size)
{
    Count();
    return __real_realloc(block, size);
}
}

void* operator new(size_t size)
{
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new(size_t size, std::align_val_t alignment)
{
    Count();
    size_t align = (size_t)alignment;
    if (void* block = std::aligned_alloc(align, (size + align - 1) / align * align))
        return block;
    throw std::bad_alloc();
}

void* operator new[](size_t size, std::align_val_t alignment) { return operator new(size, alignment); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }

void StartCountingAllocations()
{
    counted = 0;
    counting = true;
}

long StopCountingAllocations()
{
    counting = false;
    return counted;
}
