// Movable memory blocks. A handle names a small record that owns the bytes, so
// the bytes may move when a block is resized while the handle stays the same.
// Every handle is checked against the set of live blocks, so a stale or forged
// handle fails like an invalid handle on Windows instead of corrupting memory.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/win32.h"

namespace {

struct MemoryBlock {
    void* bytes = nullptr;
    SIZE_T size = 0;
    UINT lockCount = 0;
};

std::mutex blocksMutex;
std::unordered_set<MemoryBlock*>& LiveBlocks()
{
    static auto* blocks = new std::unordered_set<MemoryBlock*>;
    return *blocks;
}

// Looks a handle up among the live blocks; sets ERROR_INVALID_HANDLE when absent.
MemoryBlock* FindBlock(HGLOBAL handle)
{
    auto* block = static_cast<MemoryBlock*>(handle);
    if (block && LiveBlocks().count(block))
        return block;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

// malloc(0) may return NULL; a block of no bytes still needs an address.
void* AllocateBytes(SIZE_T size, bool zero)
{
    const SIZE_T request = size ? size : 1;
    return zero ? std::calloc(1, request) : std::malloc(request);
}

}  // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes)
{
    void* bytes = AllocateBytes(dwBytes, (uFlags & GMEM_ZEROINIT) != 0);
    if (!bytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* block = new MemoryBlock{bytes, dwBytes, 0};
    std::lock_guard lock(blocksMutex);
    LiveBlocks().insert(block);
    return block;
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags)
{
    std::lock_guard lock(blocksMutex);
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
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > block->size)
        std::memset(static_cast<BYTE*>(bytes) + block->size, 0, dwBytes - block->size);
    block->bytes = bytes;
    block->size = dwBytes;
    return hMem;
}

LPVOID GlobalLock(HGLOBAL hMem)
{
    std::lock_guard lock(blocksMutex);
    MemoryBlock* block = FindBlock(hMem);
    if (!block)
        return nullptr;
    if (block->lockCount < GMEM_LOCKCOUNT)
        ++block->lockCount;
    return block->bytes;
}

BOOL GlobalUnlock(HGLOBAL hMem)
{
    std::lock_guard lock(blocksMutex);
    MemoryBlock* block = FindBlock(hMem);
    if (!block)
        return FALSE;
    if (block->lockCount == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    --block->lockCount;
    if (block->lockCount == 0) {
        SetLastError(NO_ERROR);
        return FALSE;
    }
    return TRUE;
}

HGLOBAL GlobalFree(HGLOBAL hMem)
{
    std::lock_guard lock(blocksMutex);
    MemoryBlock* block = FindBlock(hMem);
    if (!block)
        return hMem;
    LiveBlocks().erase(block);
    std::free(block->bytes);
    delete block;
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL hMem)
{
    std::lock_guard lock(blocksMutex);
    const MemoryBlock* block = FindBlock(hMem);
    return block ? block->size : 0;
}

UINT GlobalFlags(HGLOBAL hMem)
{
    std::lock_guard lock(blocksMutex);
    const MemoryBlock* block = FindBlock(hMem);
    return block ? block->lockCount : 0;
}
