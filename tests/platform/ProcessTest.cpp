#include "platform/Process.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(WinExec, StartsTheProgramByPathWithNoArgumentsAndNoShellAndSaysWhatCannotStart) {
    const std::string dir = vtltest::MakeTempDir("exec");
    // A path with a space and a shell character: it must reach exec untouched.
    const std::string program = dir + "/my prog;echo", record = dir + "/record";
    vtltest::WriteFile(program, "#!/bin/sh\necho \"$# $0\" > '" + record + ".tmp'\nmv '" + record + ".tmp' '" + record + "'\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    EXPECT_TRUE(plat::WinExec(program));
    vtltest::WaitUntil([&] { return std::filesystem::exists(record); });
    EXPECT_EQ(vtltest::ReadFile(record), "0 " + program + "\n");

    vtltest::WriteFile(dir + "/plain.txt", "hello");
    for (const std::string& cannot : {dir + "/missing", dir + "/plain.txt", dir})
        EXPECT_FALSE(plat::WinExec(cannot)) << cannot;
}

} // namespace
