// A global memory block of ours (a packed DIB): freed when the owner goes,
// unless Release handed it on.
#pragma once
#include <windows.h>

class CGlobalBlock {
public:
    explicit CGlobalBlock(HGLOBAL block = nullptr) : m_hBlock(block) {}
    ~CGlobalBlock() { Reset(); }
    CGlobalBlock(const CGlobalBlock&) = delete;
    CGlobalBlock& operator=(const CGlobalBlock&) = delete;

    operator HGLOBAL() const { return m_hBlock; }
    void Reset(HGLOBAL block = nullptr)
    {
        if (m_hBlock)
            ::GlobalFree(m_hBlock);
        m_hBlock = block;
    }
    HGLOBAL Release()
    {
        HGLOBAL block = m_hBlock;
        m_hBlock = nullptr;
        return block;
    }

private:
    HGLOBAL m_hBlock;
};
