// Memory that shows a routine's stray accesses: bytes placed just before a
// no-access page, so that a read past them faults, and output buffers
// fenced with filler bytes, so that every byte written outside them shows.
#ifndef CHIMORA_GUARDED_MEMORY_H
#define CHIMORA_GUARDED_MEMORY_H

#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

// A read-write page followed by a no-access page.
class GuardedPage {
public:
    GuardedPage()
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page = info.dwPageSize;
        base = static_cast<char*>(VirtualAlloc(NULL, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        if (base)
            VirtualProtect(base + page, page, PAGE_NOACCESS, &old);
    }
    ~GuardedPage()
    {
        if (base)
            VirtualFree(base, 0, MEM_RELEASE);
    }
    GuardedPage(const GuardedPage&) = delete;
    GuardedPage& operator=(const GuardedPage&) = delete;

    // Copies bytes, NULs and all, so that the last of them is the page's
    // last byte.
    char* PlaceBytes(const std::string& bytes) { return Place(bytes.data(), bytes.size()); }
    // Copies text so that its terminator is the page's last byte.
    char* PlaceString(const std::string& text) { return Place(text.c_str(), text.size() + 1); }

    bool InGuard(ULONG_PTR address) const
    {
        return address >= (ULONG_PTR)(base + page) && address < (ULONG_PTR)(base + 2 * page);
    }

    char* base;
    size_t page;

private:
    char* Place(const char* bytes, size_t size)
    {
        char* at = base + page - size;
        memcpy(at, bytes, size);
        return at;
    }
};

// A caller's buffer of an exact size between two fences, the buffer and
// the fences filled with one byte.
class FencedBuffer {
public:
    FencedBuffer(size_t size, size_t fence, unsigned char fill)
        : bytes_(size + 2 * fence, fill), size_(size), fence_(fence), fill_(fill)
    {
    }
    char* data() { return reinterpret_cast<char*>(bytes_.data() + fence_); }

    // The first index from `from` on, counted from data() through the back
    // fence, that no longer holds the fill byte; -1 when none.
    int FirstWrittenFrom(int from) const
    {
        for (size_t i = fence_ + from; i < bytes_.size(); i++)
            if (bytes_[i] != fill_)
                return static_cast<int>(i - fence_);
        return -1;
    }
    // Nothing was written before or after the buffer.
    bool FencesIntact() const
    {
        for (size_t i = 0; i < fence_; i++)
            if (bytes_[i] != fill_)
                return false;
        return FirstWrittenFrom(static_cast<int>(size_)) == -1;
    }
    // The buffer holds a terminator: its string is whole.
    bool Terminated() const { return memchr(bytes_.data() + fence_, 0, size_) != NULL; }

private:
    std::vector<unsigned char> bytes_;
    size_t size_;
    size_t fence_;
    unsigned char fill_;
};

#endif
