#pragma once
// What the extension's tests share: the built module loaded as a host loads it, the messages
// it showed, the stored "location", a fake application that records its start, the test
// program's own hand-off block (see Sandbox.h), and a runner for vtlmenu.
#include "app/core/HandoffBlock.h"
#include "shellext/host/ExtensionModule.h"
#include "tests/support/RunProgram.h"

#include <string>
#include <vector>

namespace shellexttest {

// The built libVtlExt.so, loaded once per test program; its messages go to Messages().
vtlext::CExtensionModule& Module();
std::vector<std::string>& Messages();

// Writes "location" into the key the application writes; "" removes the value.
void SetLocation(const std::string& path);
// The stored "location", or "<none>".
std::string ReadLocation();

// A program at `path` that, when started, writes its argument count into `path`.started.
std::string MakeFakeApplication(const std::string& dir);
// Waits a few seconds for the fake program's record; its text, or "" when it never started.
std::string WaitForStart(const std::string& program);
// True when the program has not written its record within a short while.
bool NeverStarted(const std::string& program);

// Empties the block over bytes of 0xAB, so that any byte a writer touches shows.
void ScribbleBlock();
// True when the block is still just that.
bool BlockUntouched();
// The pending record, read from a copy of the block (nothing is claimed).
struct Record {
    bool pending = false;
    HandoffHeader header;
    std::vector<std::string> files;
};
Record PendingRecord();

using RunResult = vtltest::ProgramRun;
// Runs the built vtlmenu with these arguments and no display, and waits for it. `env` entries
// ("NAME=value", or "NAME" to remove it) change its environment further.
RunResult RunVtlMenu(const std::vector<std::string>& args, const std::vector<std::string>& env = {});

} // namespace shellexttest
