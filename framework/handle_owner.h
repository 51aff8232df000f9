// A handle of ours, given back through Free when the owner goes, at every exit
// of the scope, unless Release handed it on. The GDI objects, the global
// blocks and the kernel, registry and menu handles are such owners.
#pragma once

// Most handles are empty when null; file and find handles also when
// INVALID_HANDLE_VALUE, which their owners say through IsValid.
template <class T>
bool NotNull(T handle)
{
    return handle != nullptr;
}

template <class T, auto Free, auto IsValid = &NotNull<T>>
class CHandleOwner {
public:
    explicit CHandleOwner(T handle = nullptr) : m_handle(handle) {}
    ~CHandleOwner() { Reset(); }
    CHandleOwner(const CHandleOwner&) = delete;
    CHandleOwner& operator=(const CHandleOwner&) = delete;

    operator T() const { return m_handle; }
    bool Valid() const { return IsValid(m_handle); }
    void Reset(T handle = nullptr)
    {
        if (IsValid(m_handle))
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
