#pragma once
// What the extension's tests share: the built module loaded as a host loads it, a handler of
// it, the stored "location", a fake application that records its start, and the test program's
// own hand-off block (see Sandbox.h).
#include "app/core/HandoffBlock.h"
#include "platform/com/ShellExt.h"
#include "shellext/host/ExtensionModule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace shellexttest {

using Files = std::vector<std::string>;

// The built libVtlExt.so, loaded once per test program; it shows no messages.
vtlext::CExtensionModule& Module();

// One handler object made by the module's factory, released with the test's scope.
struct Handler {
    explicit Handler(const Files& files = {});
    ~Handler();
    plat::HRESULT Initialize(const Files& files);
    // The items QueryContextMenu adds to an empty menu, and its result.
    std::pair<int, plat::HRESULT> Offered();
    plat::HRESULT Invoke(const char* verb);
    plat::IContextMenu* menu = nullptr;
    plat::IShellExtInit* init = nullptr;
};

// Writes "location" into the key the application writes ("" removes it); whether it holds `path`.
void SetLocation(const std::string& path);
bool LocationIs(const std::string& path);

// Empties the block over bytes of 0xAB, so that any byte a writer touches shows.
void ScribbleBlock();
bool BlockUntouched();
// The command and files of the pending record, read from a copy of the block (nothing is
// claimed); no files when none is pending.
std::pair<std::uint32_t, Files> PendingRecord();

// A test whose "location" names a fake application in a fresh folder, over a scribbled block.
class WithFakeApplication : public testing::Test {
  protected:
    void SetUp() override;
    // What the application wrote when it started, its argument count and a newline (waiting a
    // few seconds); "" when it never started.
    std::string WaitForStart() const;
    bool NeverStarted() const; // after a short while
    std::string m_dir;         // the fresh folder
    std::string m_vtl;         // the fake application in it
};

} // namespace shellexttest
