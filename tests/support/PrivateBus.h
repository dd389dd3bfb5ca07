#pragma once
// A session bus of the test's own: dbus-daemon with a configuration of its own (nothing is
// started on demand, so no service of the machine answers on it) on a socket in a fresh folder
// of the sandbox, and, when asked, the stand-in portal and notification service
// (StandInPortalMain.cpp) on it.
// DBUS_SESSION_BUS_ADDRESS names it while it lives; both processes end with it.
#include "tests/support/TestConditions.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace vtltest {

class PrivateBus {
  public:
    // `portalAnswer` as the stand-in takes it ("0", "1", "2", "error", "silent"); "": no portal.
    // `notices`: what the person does with each notice ("close", "open", "keep"); "": no
    // notification service.
    explicit PrivateBus(const std::string& portalAnswer = "", const std::string& notices = "");
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // One ComposeEmail call as the portal saw it: the texts, and per attachment the bytes read
    // through its descriptor and the file it was open on.
    struct Call {
        std::string subject, body;
        std::vector<std::string> bytes, names;
    };
    std::vector<Call> Calls() const;
    // The notices shown, each as its summary, body and actions (one a line).
    std::vector<std::vector<std::string>> Notices() const;

  private:
    std::string m_dir;
    ScopedEnv m_env;
    pid_t m_bus = -1;
    pid_t m_portal = -1;
};

} // namespace vtltest
