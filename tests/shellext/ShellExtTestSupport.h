#pragma once
// What the extension's tests share: the built module loaded as a host loads it, the messages
// it showed, the user's real hand-off block, a fake application that records its start, and
// a runner for vtlmenu.
#include "shellext/host/ExtensionModule.h"
#include "tests/support/RunProgram.h"

#include <string>
#include <vector>

namespace shellexttest {

// The built libVtlExt.so, loaded once per test program; its messages go to Messages().
vtlext::CExtensionModule& Module();
// The texts the module showed since the last ClearMessages().
std::vector<std::string>& Messages();
void ClearMessages();

// Writes "location" into the key the application writes; RemoveLocation deletes the value.
void SetLocation(const std::string& path);
void RemoveLocation();
// The stored "location", or "<none>".
std::string ReadLocation();

// A program at `path` that, when started, writes its argument count into `path`.started.
std::string MakeFakeApplication(const std::string& dir);
// Waits a few seconds for the fake program's record; its text, or "" when it never started.
std::string WaitForStart(const std::string& program);
// True when the program has not written its record within a short while.
bool NeverStarted(const std::string& program);

// The user's hand-off block as the application maps it (created when missing).
unsigned char* Block();
// Forgets the mapped view, for a test that replaced the block by another of that name.
void ForgetBlock();
// Fills the block with a pattern, so that any byte written afterwards shows.
void FillBlock(unsigned char pattern);
// True when every byte of the block is still `pattern`: nothing was written.
bool BlockHoldsOnly(unsigned char pattern);
std::uint32_t BlockWord(std::size_t offset);
// Entry i of the block, up to its NUL.
std::string BlockPath(std::size_t index);

using RunResult = vtltest::ProgramRun;
// Runs the built vtlmenu with these arguments and no display, and waits for it. `env` entries
// ("NAME=value", or "NAME" to remove it) change its environment further.
RunResult RunVtlMenu(const std::vector<std::string>& args, const std::vector<std::string>& env = {});

} // namespace shellexttest
