#include "tests/support/Sandbox.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace vtltest {
namespace {
std::string g_root;
}

Sandbox::Sandbox() {
    std::string pattern = (fs::temp_directory_path() / "vtl-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create the test sandbox");
    g_root = pattern;
    for (const char* sub : {"config", "cache", "data", "tmp", "runtime"})
        fs::create_directories(fs::path(g_root) / sub);
    fs::permissions(fs::path(g_root) / "runtime", fs::perms::owner_all);
    setenv("XDG_CONFIG_HOME", (g_root + "/config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (g_root + "/cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (g_root + "/data").c_str(), 1);
    setenv("TMPDIR", (g_root + "/tmp").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (g_root + "/runtime").c_str(), 1);
    setenv("VTL_MAIL_COMMAND", (g_root + "/no-mail-program").c_str(), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + g_root + "/no-bus").c_str(), 1);
    setenv("XDG_PICTURES_DIR", (g_root + "/pictures").c_str(), 1);
    setenv("VTL_TEST_HANDOFF_BLOCK", ("test-" + fs::path(g_root).filename().string()).c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

Sandbox::~Sandbox() {
    if (!getenv("VTL_KEEP_TEST_DIRS")) {
        std::error_code ec;
        fs::remove_all(g_root, ec);
    }
}

const std::string& Sandbox::Root() {
    return g_root;
}

std::string MakeTempDir(const std::string& hint) {
    static std::atomic<int> counter{0};
    fs::path dir = fs::path(g_root) / "work" / (hint + "-" + std::to_string(++counter));
    fs::create_directories(dir);
    return dir.string();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace vtltest
