#pragma once
// A private folder for one test program, set up before any test runs.
//
// XDG_CONFIG_HOME, XDG_CACHE_HOME, XDG_DATA_HOME (and with it the trash), XDG_RUNTIME_DIR and
// TMPDIR point into it, and VTL_MAIL_COMMAND names a program that does not exist, so an
// accidental mail fails instead of reaching a real client; DBUS_SESSION_BUS_ADDRESS names a bus
// that is not there, and XDG_PICTURES_DIR a folder of the sandbox, so neither the user's desktop
// services nor Pictures folder are ever reached.
// VTL_TEST_HANDOFF_BLOCK gives the program (and the programs it starts) a hand-off block of its
// own, also where the block falls back to shared memory: the user's block is never touched.
// The folder is removed at exit unless VTL_KEEP_TEST_DIRS is set.
#include <string>

namespace vtltest {

class Sandbox {
  public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // The sandbox of the running test program.
    static const std::string& Root();
};

// A fresh empty folder inside the sandbox, for one test.
std::string MakeTempDir(const std::string& hint = "t");
// Writes bytes to a file, creating or truncating it.
void WriteFile(const std::string& path, const std::string& bytes);
// The whole file, or "" when it cannot be read.
std::string ReadFile(const std::string& path);

} // namespace vtltest
