// Movable memory blocks. A handle names a slot of a table that owns the bytes,
// so the bytes may move when a block is resized while the handle stays the
// same. The handle also carries the slot's generation, which changes whenever
// the slot is freed: a stale or forged handle fails like an invalid handle on
// Windows instead of touching memory it does not own.
//
// Locking and querying a block is the inner loop of every frame redraw, so
// they read the slot without taking a mutex; allocating, resizing and freeing
// take it. As on Windows, freeing or resizing a block while another thread
// uses it is the caller's fault.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/kernel/large_pages.h"
#include "platform/kernel/memory_handle.h"
#include "platform/win32.h"

namespace {

using vesper::platform::MemoryHandles;

struct MemoryBlock {
    // Odd while the slot holds a block, even while it is free.
    std::atomic<std::uint32_t> generation{0};
    std::atomic<UINT> lockCount{0};
    void* bytes = nullptr;
    SIZE_T size = 0;
    std::size_t index = 0;
};

constexpr std::size_t kSlotsPerChunk = 4096;
// As many as the table ever needs, and no more than a handle can name.
constexpr std::size_t kMaxChunks = std::min<std::size_t>(4096, MemoryHandles::kSlots / kSlotsPerChunk);
static_assert(kMaxChunks * kSlotsPerChunk <= MemoryHandles::kSlots, "every slot has a handle");

// Slots live in chunks that are never moved or freed, so a slot's address is
// stable while other threads add chunks.
class BlockTable {
public:
    MemoryBlock* Find(HGLOBAL handle) const
    {
        const auto parts = MemoryHandles::Decode(reinterpret_cast<std::uintptr_t>(handle));
        if (!parts || parts->index / kSlotsPerChunk >= kMaxChunks)
            return nullptr;
        MemoryBlock* chunk = m_chunks[parts->index / kSlotsPerChunk].load(std::memory_order_acquire);
        if (!chunk)
            return nullptr;
        MemoryBlock& block = chunk[parts->index % kSlotsPerChunk];
        const std::uint32_t generation = block.generation.load(std::memory_order_acquire);
        return (generation & 1u) && MemoryHandles::SameGeneration(generation, parts->generation) ? &block : nullptr;
    }

    // A free slot marked live, and the handle that names it; null when full.
    HGLOBAL Take(void* bytes, SIZE_T size)
    {
        std::lock_guard lock(m_mutex);
        const std::size_t index = FreeIndex();
        if (index == kNoSlot)
            return nullptr;
        MemoryBlock& block = Slot(index);
        block.bytes = bytes;
        block.size = size;
        block.lockCount.store(0, std::memory_order_relaxed);
        const std::uint32_t generation = block.generation.load(std::memory_order_relaxed) + 1u;
        block.generation.store(generation, std::memory_order_release);
        return reinterpret_cast<HGLOBAL>(MemoryHandles::Encode(index, generation));
    }

    void Release(MemoryBlock& block)
    {
        block.generation.fetch_add(1u, std::memory_order_release);
        std::free(block.bytes);
        block.bytes = nullptr;
        block.size = 0;
        m_freeSlots.push_back(block.index);
    }

    std::mutex& Mutex() { return m_mutex; }

private:
    static constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);

    std::size_t FreeIndex()
    {
        if (!m_freeSlots.empty()) {
            const std::size_t index = m_freeSlots.back();
            m_freeSlots.pop_back();
            return index;
        }
        if (m_used == kSlotsPerChunk * kMaxChunks)
            return kNoSlot;
        if (m_used % kSlotsPerChunk == 0)
            m_chunks[m_used / kSlotsPerChunk].store(NewChunk(m_used), std::memory_order_release);
        return m_used++;
    }

    static MemoryBlock* NewChunk(std::size_t firstIndex)
    {
        auto* chunk = new MemoryBlock[kSlotsPerChunk];
        for (std::size_t i = 0; i < kSlotsPerChunk; ++i)
            chunk[i].index = firstIndex + i;
        return chunk;
    }

    MemoryBlock& Slot(std::size_t index) const
    {
        return m_chunks[index / kSlotsPerChunk].load(std::memory_order_relaxed)[index % kSlotsPerChunk];
    }

    std::mutex m_mutex;
    std::array<std::atomic<MemoryBlock*>, kMaxChunks> m_chunks{};
    std::size_t m_used = 0;
    std::vector<std::size_t> m_freeSlots;
};

// Never destroyed: blocks may still be freed while static objects go away.
BlockTable& Table()
{
    static auto* table = new BlockTable;
    return *table;
}

// Sets ERROR_INVALID_HANDLE when the handle names no live block.
MemoryBlock* FindBlock(HGLOBAL handle)
{
    MemoryBlock* block = Table().Find(handle);
    if (!block)
        SetLastError(ERROR_INVALID_HANDLE);
    return block;
}

// malloc(0) may return NULL; a block of no bytes still needs an address.
void* AllocateBytes(SIZE_T size, bool zero)
{
    const SIZE_T request = size ? size : 1;
    void* bytes = zero ? std::calloc(1, request) : std::malloc(request);
    vesper::platform::AdviseLargePages(bytes, request);
    return bytes;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes)
{
    void* bytes = AllocateBytes(dwBytes, (uFlags & GMEM_ZEROINIT) != 0);
    HGLOBAL handle = bytes ? Table().Take(bytes, dwBytes) : nullptr;
    if (!handle) {
        std::free(bytes);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return handle;
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags)
{
    std::lock_guard lock(Table().Mutex());
    MemoryBlock* block = FindBlock(hMem);
    if (!block)
        return nullptr;
    if (uFlags & GMEM_MODIFY)
        return hMem;
    void* bytes = std::realloc(block->bytes, dwBytes ? dwBytes : 1);
    if (!bytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (bytes != block->bytes)
        vesper::platform::AdviseLargePages(bytes, dwBytes);
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > block->size)
        std::memset(static_cast<BYTE*>(bytes) + block->size, 0, dwBytes - block->size);
    block->bytes = bytes;
    block->size = dwBytes;
    return hMem;
}

LPVOID GlobalLock(HGLOBAL hMem)
{
    MemoryBlock* block = FindBlock(hMem);
    if (!block)
        return nullptr;
    UINT count = block->lockCount.load(std::memory_order_relaxed);
    while (count < GMEM_LOCKCOUNT && !block->lockCount.compare_exchange_weak(count, count + 1))
        ;
    return block->bytes;
}

BOOL GlobalUnlock(HGLOBAL hMem)
{
    MemoryBlock* block = FindBlock(hMem);
    if (!block)
        return FALSE;
    UINT count = block->lockCount.load(std::memory_order_relaxed);
    do {
        if (count == 0) {
            SetLastError(ERROR_NOT_LOCKED);
            return FALSE;
        }
    } while (!block->lockCount.compare_exchange_weak(count, count - 1));
    if (count == 1) {
        SetLastError(NO_ERROR);
        return FALSE;
    }
    return TRUE;
}

HGLOBAL GlobalFree(HGLOBAL hMem)
{
    std::lock_guard lock(Table().Mutex());
    MemoryBlock* block = FindBlock(hMem);
    if (!block)
        return hMem;
    Table().Release(*block);
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL hMem)
{
    const MemoryBlock* block = FindBlock(hMem);
    return block ? block->size : 0;
}

UINT GlobalFlags(HGLOBAL hMem)
{
    const MemoryBlock* block = FindBlock(hMem);
    return block ? block->lockCount.load(std::memory_order_relaxed) : 0;
}
