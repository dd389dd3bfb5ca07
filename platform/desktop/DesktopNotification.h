#pragma once
// Notices on the desktop through its notification service
// (org.freedesktop.Notifications on the session bus), with at most one action, which is also
// what a click on the notice itself does. Where no service answers on the bus (no bus, no
// service, an error, no answer within a few seconds), nothing is shown and ShowNotice says so.
//
// A notice lives on until the desktop reports it closed or acted upon; WaitForNotices lets a
// program without a window stay for that, for a while, so that the action still has someone to
// run it. Each notice talks over a connection of its own to the bus that
// DBUS_SESSION_BUS_ADDRESS names when it is shown.
//
// Used on the user-interface thread only.
#include <chrono>
#include <functional>
#include <string>

namespace plat {

struct Notice {
    std::string summary;
    std::string body;
    std::string action; // the action's label; "" for none
};

// Shows `notice`; `onAction` runs when the person takes its action. Returns false when no
// notification service took it.
bool ShowNotice(const Notice& notice, std::function<void()> onAction);
// Runs the event loop until every notice shown is closed or acted upon, or `most` has passed;
// for a program about to end, which then lets go of the notices still shown (the desktop keeps
// showing them, but their action no longer reaches this program).
void WaitForNotices(std::chrono::milliseconds most);

} // namespace plat
