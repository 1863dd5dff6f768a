#include "engine/merge/CCmarkArena.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr size_t kChunkBytes = 64 * 1024;
// Each block starts with its size, so that a reallocation knows what to copy;
// the header keeps the block aligned.
constexpr size_t kHeader = alignof(std::max_align_t);

thread_local CCmarkArena* t_pArena = nullptr;

size_t SizeOf(const void* pBlock) {
    size_t nSize = 0;
    std::memcpy(&nSize, static_cast<const char*>(pBlock) - kHeader, sizeof nSize);
    return nSize;
}

} // namespace

CCmarkArena::Scope::Scope(CCmarkArena& arena) : m_pPrevious(t_pArena) {
    t_pArena = &arena;
}

CCmarkArena::Scope::~Scope() {
    t_pArena->Empty();
    t_pArena = m_pPrevious;
}

cmark_mem* CCmarkArena::Memory() {
    static cmark_mem memory = {&CCmarkArena::Calloc, &CCmarkArena::Realloc, &CCmarkArena::Free};
    return &memory;
}

void CCmarkArena::FreeChunk::operator()(void* pChunk) const {
    std::free(pChunk);
}

void* CCmarkArena::Take(size_t nBytes) {
    if (nBytes > std::numeric_limits<size_t>::max() - 2 * kHeader)
        std::abort();
    const size_t nNeeded = kHeader + (nBytes + kHeader - 1) / kHeader * kHeader;
    if (m_chunks.empty() || m_nUsed + nNeeded > m_nChunkSize) {
        m_nChunkSize = std::max(kChunkBytes, nNeeded);
        char* pChunk = static_cast<char*>(std::malloc(m_nChunkSize));
        if (!pChunk)
            std::abort();
        m_chunks.emplace_back(pChunk);
        m_nUsed = 0;
    }
    char* pBlock = m_chunks.back().get() + m_nUsed + kHeader;
    std::memcpy(pBlock - kHeader, &nBytes, sizeof nBytes);
    m_nUsed += nNeeded;
    return pBlock;
}

// The first chunk stays for the next mail; a mail that needed more gives the
// rest back.
void CCmarkArena::Empty() {
    if (m_chunks.size() > 1)
        m_chunks.resize(1);
    m_nChunkSize = m_chunks.empty() ? 0 : kChunkBytes;
    m_nUsed = 0;
}

void* CCmarkArena::Calloc(size_t nCount, size_t nSize) {
    if (nSize != 0 && nCount > std::numeric_limits<size_t>::max() / nSize)
        std::abort();
    void* pBlock = t_pArena->Take(nCount * nSize);
    std::memset(pBlock, 0, nCount * nSize);
    return pBlock;
}

void* CCmarkArena::Realloc(void* pBlock, size_t nSize) {
    void* pGrown = t_pArena->Take(nSize);
    if (pBlock)
        std::memcpy(pGrown, pBlock, std::min(SizeOf(pBlock), nSize));
    return pGrown;
}

// Blocks are given back with the whole arena.
void CCmarkArena::Free(void*) {}
