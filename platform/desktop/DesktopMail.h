#pragma once
// DeliverMail: a new message with the pictures attached, through the first of the desktop's
// routes that works, in this order:
//   the portal        org.freedesktop.portal.Email on the session bus (PortalMail.h);
//   Thunderbird       when it is the desktop's mail program (platform/mail/Thunderbird.h);
//   xdg-email         the mail layer's own driver (platform/mail/Mapi.h);
//   a folder          none of them: the pictures are copied into a new folder of their own in
//                     <Pictures>/Vantrel mail/, for the person to attach by hand.
// A route that is missing or fails hands the message to the next; a person who cancels the
// message ends it there. The pictures always go as copies (a spool, or the folder), so the
// caller may delete its files once this returns.
//
// VTL_MAIL_COMMAND is not looked at here: a caller that has one set uses the mail layer alone.
//
// Called on the thread that sends a message (it blocks until the route's program returns),
// never the user-interface thread, which the portal's answer would otherwise wait for.
#include "platform/mail/Mapi.h"

#include <string>
#include <vector>

namespace plat {

enum class MailRoute { Portal, Thunderbird, XdgEmail, Folder };

struct MailDelivery {
    MailRoute route = MailRoute::Folder;
    // SUCCESS_SUCCESS: handed over (or, by the folder route, kept); MAPI_USER_ABORT: cancelled;
    // MAPI_E_FAILURE: the folder route could not keep every picture.
    ULONG result = MAPI_E_FAILURE;
    std::string folder; // the folder route's new folder, with the pictures kept there
};

MailDelivery DeliverMail(const std::string& subject, const std::string& body,
                         const std::vector<std::string>& files);

// The folder route alone: copies `files` into a new folder <YYYY-MM-DD HH.MM.SS> (" (2)" …
// added when that name is taken) of <Pictures>/Vantrel mail/, where <Pictures> is
// XDG_PICTURES_DIR or ~/Pictures. Two files of one name become "a.jpg" and "a (2).jpg".
MailDelivery KeepInPictures(const std::vector<std::string>& files);

} // namespace plat
