#pragma once
// The links of the Help menu. The maker's web site, its upgrade page and the support mailbox
// are kept here and nowhere else; the upgrade page and the two mails carry the version text,
// so that the answer fits the build the user runs.
#include <string>

// The link the Help command `id` opens (ID_VISIT_WEB, ID_CHECK_VERSION, ID_MAIL_TO_ME,
// ID_BUG_REPORT) for `version`; "" for any other command.
std::string HelpLink(int id, const std::string& version);
