#pragma once
// Named kernel objects of Windows that two processes share by name: a block of memory backed by
// the paging file (a named file mapping, mapped whole), and a mutex. Both live as long as some
// process holds a handle to them. Windows only.
//
// A block and a mutex may be used by any thread; a mutex is released by the thread that holds
// it, as Windows requires.
#include <cstddef>
#include <string>

namespace plat {

class CNamedBlock {
  public:
    // Opens the mapping `name` (FILE_MAP_ALL_ACCESS); with `create`, makes it with `size` bytes
    // (all zero) when there is none. A mapping that is there but smaller than `size` is
    // refused, so no reader or writer ever reaches past its end.
    CNamedBlock(const std::string& name, std::size_t size, bool create);
    ~CNamedBlock();
    CNamedBlock(const CNamedBlock&) = delete;
    CNamedBlock& operator=(const CNamedBlock&) = delete;

    bool IsOpen() const { return m_view != nullptr; }
    // Why the block is not open, in words for the user; "" when it is open, or when it is
    // simply not there and was not to be made.
    const std::string& Refusal() const { return m_refusal; }
    unsigned char* Bytes() const { return m_view; }

  private:
    void* m_mapping = nullptr;
    unsigned char* m_view = nullptr;
    std::string m_refusal;
};

class CNamedMutex {
  public:
    // Opens the mutex `name`, made when there is none; the caller does not hold it yet.
    explicit CNamedMutex(const std::string& name);
    ~CNamedMutex(); // releases it when held
    CNamedMutex(const CNamedMutex&) = delete;
    CNamedMutex& operator=(const CNamedMutex&) = delete;

    bool IsOpen() const { return m_mutex != nullptr; }
    // Waits, however long, until this thread holds the mutex. `abandoned` (when given) becomes
    // whether its last holder ended without releasing it. False when it cannot be waited for.
    bool Lock(bool* abandoned = nullptr);
    void Unlock();

  private:
    void* m_mutex = nullptr;
    bool m_held = false;
};

} // namespace plat
