#pragma once
// Conditions a test sets up for a while and then looks at: environment variables changed for a
// scope, a file-size limit standing in for a full disk, an X server of the test's own, a wait for
// something another process does, and the names a folder holds.
#include <functional>
#include <map>
#include <set>
#include <string>

#include <sys/resource.h>
#include <sys/types.h>

namespace vtltest {

// Sets the variables (an empty value removes one) and, when it ends, gives every variable it
// named, or that the test later changed through it, back its value from before.
class ScopedEnv {
  public:
    explicit ScopedEnv(const std::map<std::string, std::string>& values = {});
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    void Set(const std::string& name, const std::string& value);

  private:
    std::map<std::string, std::string> m_saved; // "\0" marks a variable that was unset
};

// No file of this process grows beyond `bytes` while it lives; writes past it fail as they do
// on a full disk (SIGXFSZ is ignored meanwhile).
class ScopedFileSizeLimit {
  public:
    explicit ScopedFileSizeLimit(rlim_t bytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

  private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

// An Xvfb of the test's own on a display number it picks, ended with the object; its
// DisplayName() is "" when none could be started.
class ScopedXServer {
  public:
    ScopedXServer();
    ~ScopedXServer();
    ScopedXServer(const ScopedXServer&) = delete;
    ScopedXServer& operator=(const ScopedXServer&) = delete;
    const std::string& DisplayName() const { return m_display; }

  private:
    pid_t m_pid = -1;
    std::string m_display;
};

// Polls `done` every 10 ms until it holds (true) or `seconds` have passed (false).
bool WaitUntil(const std::function<bool()>& done, int seconds = 10);

// Mounts a tmpfs of `size` on `folder`, or (no size) `folder` on itself read-only, in a mount
// namespace of the calling thread, which nobody else sees; false where this process may not
// mount (it is not root).
bool MountPrivately(const std::string& folder, const std::string& size);
// Makes `folder` read-only for this process: mounted read-only where it may mount (root, whom
// permission bits do not stop), else by its permission bits; false where neither works.
bool MakeReadOnly(const std::string& folder);

// The names of the entries of a folder; empty when it cannot be listed.
std::set<std::string> FolderNames(const std::string& folder);

} // namespace vtltest
