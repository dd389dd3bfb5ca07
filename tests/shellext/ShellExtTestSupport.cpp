#include "tests/shellext/ShellExtTestSupport.h"

#include "app/core/HandoffBlock.h"
#include "platform/Registry.h"
#include "platform/SharedMemory.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace shellexttest {

namespace {

void RecordMessage(const char*, const char* text) { Messages().emplace_back(text); }

constexpr const char* kSettingKey = "Software\\Ostrell\\vtl\\setting";

} // namespace

vtlext::CExtensionModule& Module() {
    static vtlext::CExtensionModule* module = [] {
        auto* loaded = new vtlext::CExtensionModule;
        if (!loaded->Load(std::string(VTL_LIB_DIR) + "/libVtlExt.so"))
            throw std::runtime_error(loaded->Error());
        loaded->SetMessageBoxHook(RecordMessage);
        return loaded;
    }();
    return *module;
}

std::vector<std::string>& Messages() {
    static std::vector<std::string> messages;
    return messages;
}

void ClearMessages() { Messages().clear(); }

void SetLocation(const std::string& path) {
    plat::HKEY key = nullptr;
    plat::RegCreateKeyEx(plat::HKEY_CURRENT_USER, kSettingKey, 0, plat::KEY_WRITE, &key, nullptr);
    plat::RegSetValueEx(key, "location", plat::REG_SZ, reinterpret_cast<const plat::BYTE*>(path.c_str()),
                        static_cast<plat::DWORD>(path.size() + 1));
    plat::RegCloseKey(key);
}

void RemoveLocation() {
    plat::HKEY key = nullptr;
    if (plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, kSettingKey, 0, plat::KEY_ALL_ACCESS, &key) == plat::ERROR_SUCCESS) {
        plat::RegDeleteValue(key, "location");
        plat::RegCloseKey(key);
    }
}

std::string ReadLocation() {
    plat::HKEY key = nullptr;
    if (plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, kSettingKey, 0, plat::KEY_READ, &key) != plat::ERROR_SUCCESS)
        return "<none>";
    char buffer[plat::MAX_PATH] = {};
    plat::DWORD size = sizeof buffer - 1;
    const plat::LONG rc = plat::RegQueryValueEx(key, "location", nullptr, reinterpret_cast<plat::BYTE*>(buffer), &size);
    plat::RegCloseKey(key);
    return rc == plat::ERROR_SUCCESS ? std::string(buffer) : "<none>";
}

std::string MakeFakeApplication(const std::string& dir) {
    const std::string program = dir + "/vtl";
    vtltest::WriteFile(program, "#!/bin/sh\necho \"$#\" > \"$0.part\"\nmv \"$0.part\" \"$0.started\"\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    return program;
}

std::string WaitForStart(const std::string& program) {
    for (int i = 0; i < 500; ++i) {
        if (std::filesystem::exists(program + ".started"))
            return vtltest::ReadFile(program + ".started");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

bool NeverStarted(const std::string& program) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return !std::filesystem::exists(program + ".started");
}

namespace {
unsigned char* g_block = nullptr;
}

unsigned char* Block() {
    if (!g_block) {
        plat::FileMapping* mapping = plat::CreateFileMapping(HandoffBlockName(), HANDOFF_BLOCK_SIZE);
        g_block = static_cast<unsigned char*>(plat::MapViewOfFile(mapping));
        plat::CloseHandle(mapping);
        if (!g_block)
            throw std::runtime_error("the hand-off block cannot be mapped");
    }
    return g_block;
}

void ForgetBlock() {
    if (g_block)
        plat::UnmapViewOfFile(g_block);
    g_block = nullptr;
}

void FillBlock(unsigned char pattern) { std::memset(Block(), pattern, HANDOFF_BLOCK_SIZE); }

bool BlockHoldsOnly(unsigned char pattern) {
    const unsigned char* block = Block();
    return std::all_of(block, block + HANDOFF_BLOCK_SIZE, [&](unsigned char b) { return b == pattern; });
}

std::uint32_t BlockWord(std::size_t offset) {
    const unsigned char* at = Block() + offset;
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::string BlockPath(std::size_t index) {
    const char* entry = reinterpret_cast<const char*>(Block() + HANDOFF_HEADER_SIZE + index * HANDOFF_PATH_SIZE);
    return std::string(entry, strnlen(entry, HANDOFF_PATH_SIZE));
}

RunResult RunVtlMenu(const std::vector<std::string>& args, const std::vector<std::string>& changes) {
    std::map<std::string, std::string> env;
    for (const auto& change : changes) {
        const auto eq = change.find('=');
        env[change.substr(0, eq)] = eq == std::string::npos ? "" : change.substr(eq + 1);
    }
    return vtltest::RunProgram(std::string(VTL_BIN_DIR) + "/vtlmenu", args, env);
}

} // namespace shellexttest
