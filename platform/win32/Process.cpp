#include "platform/Process.h"

#include "platform/Paths.h"
#include "platform/win32/WindowsApi.h"

#include <algorithm>

namespace plat {

namespace {

// This process's environment with `extra` in place of the variables of the same names, as the
// block CreateProcess takes: each "NAME=value" with its NUL, and one NUL more. Names compare
// without regard to letter case, as Windows compares them.
std::string ProgramEnvironment(const std::vector<std::string>& extra) {
    std::string block;
    if (char* own = ::GetEnvironmentStringsA()) {
        for (const char* entry = own; *entry; entry += std::char_traits<char>::length(entry) + 1) {
            const std::string text(entry);
            const std::string name = text.substr(0, text.find('=', 1) + 1);
            if (std::none_of(extra.begin(), extra.end(), [&](const std::string& e) {
                    return NamesEqualNoCase(e.substr(0, name.size()), name);
                }))
                block += text + '\0';
        }
        ::FreeEnvironmentStringsA(own);
    }
    for (const std::string& entry : extra)
        block += entry + '\0';
    return block + '\0';
}

} // namespace

CStartedProgram::~CStartedProgram() {
    if (m_process)
        ::CloseHandle(m_process);
}

bool CStartedProgram::WaitForEnd(std::chrono::milliseconds wait) {
    return !m_process ||
           ::WaitForSingleObject(m_process, static_cast<DWORD>(wait.count())) != WAIT_TIMEOUT;
}

bool WinExec(const std::string& path, const std::vector<std::string>& environment,
             CStartedProgram* started) {
    // The program by its path alone; its command line is the path quoted, with no arguments.
    std::string commandLine = "\"" + path + "\"";
    std::string block = environment.empty() ? std::string() : ProgramEnvironment(environment);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                          block.empty() ? nullptr : block.data(), nullptr, &startup, &process))
        return false;
    ::CloseHandle(process.hThread);
    if (started) {
        if (started->m_process)
            ::CloseHandle(started->m_process);
        started->m_process = process.hProcess;
    } else {
        ::CloseHandle(process.hProcess);
    }
    return true;
}

} // namespace plat
