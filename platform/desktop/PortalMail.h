#pragma once
// The desktop portal's Email interface (org.freedesktop.portal.Email on the session bus): GNOME
// and KDE open their mail program's compose window through it, and it is the only way out to a
// mail program from inside a Flatpak sandbox.
//
// The attachments go to the portal as open file descriptors. The portal hands the mail program
// their paths, which it reads only when the person sends, so the descriptors are opened on
// copies in a spool that outlives the call (platform/mail/MailSpool.h), never on files that the
// caller deletes at once.
//
// Called on the thread that sends a message, never the user-interface thread: it waits there
// up to `wait` for the portal's answer, running an event loop of its own on a private
// connection to the bus, so two sends at once never share anything.
#include <chrono>
#include <string>
#include <vector>

namespace plat {

enum class PortalOutcome {
    Handed,      // the portal opened a new message with the attachments
    Cancelled,   // the person cancelled it: nothing is to be sent
    Unavailable, // no bus, no portal or no Email interface, an error, or no answer in time
};

PortalOutcome ComposeThroughPortal(const std::string& subject, const std::string& body,
                                   const std::vector<std::string>& files,
                                   std::chrono::milliseconds wait = std::chrono::seconds(5));

} // namespace plat
