#include "platform/Process.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 500; ++i) {
        if (std::filesystem::exists(path) && std::filesystem::file_size(path) > 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(WinExec, StartsTheProgramByPathWithNoArgumentsAndNoShell) {
    const std::string dir = vtltest::MakeTempDir("exec");
    // A path with a space and a shell character: it must reach exec untouched.
    const std::string program = dir + "/my prog;echo";
    const std::string record = dir + "/record";
    vtltest::WriteFile(program, "#!/bin/sh\necho \"$# $0\" > '" + record + ".tmp'\nmv '" + record + ".tmp' '" + record + "'\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);

    EXPECT_TRUE(plat::WinExec(program));
    ASSERT_TRUE(WaitForFile(record));
    EXPECT_EQ(vtltest::ReadFile(record), "0 " + program + "\n");
}

TEST(WinExec, ReportsWhatCannotBeStarted) {
    const std::string dir = vtltest::MakeTempDir("exec");
    const std::string notExecutable = dir + "/plain.txt";
    vtltest::WriteFile(notExecutable, "hello");
    EXPECT_FALSE(plat::WinExec(dir + "/missing"));
    EXPECT_FALSE(plat::WinExec(notExecutable));
    EXPECT_FALSE(plat::WinExec(dir));
}

} // namespace
