#include "platform/win32/NamedBlock.h"

#include "platform/win32/WindowsApi.h"

namespace plat {

namespace {

std::string SystemMessage(DWORD error) {
    char text[512] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                         0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(error) : message;
}

} // namespace

CNamedBlock::CNamedBlock(const std::string& name, std::size_t size, bool create) {
    HANDLE mapping = ::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
    if (!mapping && create)
        mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                       static_cast<DWORD>(size), name.c_str());
    if (!mapping) {
        const DWORD error = ::GetLastError();
        if (create || error != ERROR_FILE_NOT_FOUND)
            m_refusal = "The shared memory \"" + name +
                        "\" cannot be opened: " + SystemMessage(error) + ".";
        return;
    }
    m_mapping = mapping;
    void* view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    MEMORY_BASIC_INFORMATION facts{};
    if (!view || ::VirtualQuery(view, &facts, sizeof facts) == 0 || facts.RegionSize < size) {
        m_refusal =
            "The shared memory \"" + name + "\" cannot be used: " +
            (view ? "it is smaller than a hand-off record" : SystemMessage(::GetLastError())) + ".";
        if (view)
            ::UnmapViewOfFile(view);
        return;
    }
    m_view = static_cast<unsigned char*>(view);
}

CNamedBlock::~CNamedBlock() {
    if (m_view)
        ::UnmapViewOfFile(m_view);
    if (m_mapping)
        ::CloseHandle(m_mapping);
}

CNamedMutex::CNamedMutex(const std::string& name)
    : m_mutex(::CreateMutexA(nullptr, FALSE, name.c_str())) {}

CNamedMutex::~CNamedMutex() {
    Unlock();
    if (m_mutex)
        ::CloseHandle(m_mutex);
}

bool CNamedMutex::Lock(bool* abandoned) {
    if (!m_mutex)
        return false;
    const DWORD waited = ::WaitForSingleObject(m_mutex, INFINITE);
    if (abandoned)
        *abandoned = waited == WAIT_ABANDONED;
    m_held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    return m_held;
}

void CNamedMutex::Unlock() {
    if (m_held)
        ::ReleaseMutex(m_mutex);
    m_held = false;
}

} // namespace plat
