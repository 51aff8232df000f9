// A handle of ours, given back through Free when the owner goes, at every exit
// of the scope, unless Release handed it on. The GDI objects and the global
// blocks are such owners.
#pragma once

template <class T, auto Free>
class CHandleOwner {
public:
    explicit CHandleOwner(T handle = nullptr) : m_handle(handle) {}
    ~CHandleOwner() { Reset(); }
    CHandleOwner(const CHandleOwner&) = delete;
    CHandleOwner& operator=(const CHandleOwner&) = delete;

    operator T() const { return m_handle; }
    void Reset(T handle = nullptr)
    {
        if (m_handle)
            Free(m_handle);
        m_handle = handle;
    }
    T Release()
    {
        T handle = m_handle;
        m_handle = nullptr;
        return handle;
    }

private:
    T m_handle;
};
