#pragma once
// Thunderbird as the mail program: it takes a whole message, attachments and all, on its
// command line (`thunderbird -compose "subject=…,body=…,attachment='file:///…,…'"`),
// which is more than xdg-email manages with most desktops' mail settings.
//
// It is asked only when it is the desktop's default mail program (the mailto handler of the
// first mimeapps.list that names one, looked up in the XDG order), or, with no default, when no
// other installed program handles mailto. The attachments go into a spool as with every mail
// program (MailSpool.h), since Thunderbird reads them only when the person sends.
//
// Called on the thread that sends a message, which ComposeInThunderbird blocks until
// `thunderbird` returns (at once when Thunderbird runs already, else when it closes).
#include "platform/mail/Mapi.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// `text` with every byte but letters, digits, "-._~" and those of `keep` as %XX.
std::string PercentEncoded(std::string_view text, std::string_view keep = {});
// A file:// URL that names `path` whatever bytes it holds: no comma, quote, space or byte
// outside ASCII is left as it is.
std::string FileUrl(const std::string& path);
// The argument after -compose for a message of `subject`, `body` and the files `attachments`.
std::string ThunderbirdComposeArgument(const std::string& subject, const std::string& body,
                                       const std::vector<std::string>& attachments);

// The thunderbird program when it is the mail program to use (above), else nothing.
std::optional<std::string> FindThunderbird();

// Spools the files and runs `program` -compose with them: SUCCESS_SUCCESS when it exited 0,
// MAPI_E_FAILURE when it did not, MAPI_E_TOO_MANY_FILES when the message does not fit one start
// of a program, or the spool's own failure (MailSpool.h).
ULONG ComposeInThunderbird(const std::string& program, const std::string& subject,
                           const std::string& body, const std::vector<std::string>& files);

} // namespace plat
