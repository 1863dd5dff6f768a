#pragma once

#include <cmark.h>
#include <cstddef>
#include <memory>
#include <vector>

// Memory for CommonMark's parser and renderer, which allocate every node and
// buffer of a document on its own: a mail's thousands of small blocks come
// from a few large ones instead, all given back at once when the mail is
// rendered. A scope makes an arena the one its thread's cmark calls take
// from; the memory must not be used after the scope ends. As cmark's own
// allocator does, it ends the program when memory runs out: no exception may
// pass through cmark's C code.
class CCmarkArena {
public:
    CCmarkArena() = default;
    CCmarkArena(const CCmarkArena&) = delete;
    CCmarkArena& operator=(const CCmarkArena&) = delete;

    // While it lives, Memory() allocates from the arena; on its end the
    // arena is emptied for the next mail.
    class Scope {
    public:
        explicit Scope(CCmarkArena& arena);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CCmarkArena* m_pPrevious;
    };

    // The allocator to hand to cmark inside a scope.
    static cmark_mem* Memory();

private:
    void* Take(size_t nBytes);
    void Empty();
    static void* Calloc(size_t nCount, size_t nSize);
    static void* Realloc(void* pBlock, size_t nSize);
    static void Free(void* pBlock);

    struct FreeChunk {
        void operator()(void* pChunk) const;
    };
    std::vector<std::unique_ptr<char, FreeChunk>> m_chunks;
    size_t m_nChunkSize = 0; // in bytes, of the last chunk
    size_t m_nUsed = 0;      // bytes of the last chunk taken
};
