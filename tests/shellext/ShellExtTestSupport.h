#pragma once
// What the extension's tests share: the built module loaded as a host loads it, a handler of
// it, the stored "location", a fake application that records its start and takes its record,
// and the test program's own hand-off queue (see Sandbox.h).
#include "app/model/base/HandoffBlock.h"
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

// Writes a value into the key the application writes (no bytes: removes it); "location" as a
// string; and whether the stored "location" is `path`.
void SetSetting(const char* name, plat::DWORD type, const std::string& bytes);
void SetLocation(const std::string& path);
bool LocationIs(const std::string& path);

// The test program's queue: emptied, and whether nothing waits in it (nor a half-written record).
void ClearQueue();
bool QueueUntouched();

// A test whose "location" names a fake application in a fresh folder, over an empty queue. The
// fake records its start, waits while a file "<fake>.hold" exists, and then takes the record it
// was started for, as vtl does.
class WithFakeApplication : public testing::Test {
  protected:
    void SetUp() override;
    // What the application wrote when it started, its argument count and a newline (waiting a
    // few seconds); "" when it never started.
    std::string WaitForStart() const;
    bool NeverStarted() const; // after a short while
    // The command and files of the record the application took (waiting a few seconds); no
    // files when it took none.
    std::pair<std::uint32_t, Files> TakenRecord() const;
    void Hold(bool hold) const;
    std::string m_dir; // the fresh folder
    std::string m_vtl; // the fake application in it
};

} // namespace shellexttest
