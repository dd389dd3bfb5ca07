#pragma once
// The targets of the Help menu. "Visit my web" and "Check the new version ..." open the user
// manual that is installed with the program (share/vantrel/manual.html, its version part for
// the second); "Mail to me" and "Bug report" write to the support mailbox the build was
// made with (the CMake option VTL_SUPPORT_ADDRESS), with the version text in the subject. A
// command with nowhere to go has no link, and its menu item is disabled.
#include <string>

// The manual's full path, found from the running program: installed (PREFIX/lib/vantrel/vtl,
// PREFIX/share/vantrel/) or in the build folder (bin/vtl, share/vantrel/); "" when it is in
// neither place.
std::string ManualPath();

// The support mailbox of this build; "" for none.
std::string SupportAddress();

// The link the Help command `id` (ID_VISIT_WEB, ID_CHECK_VERSION, ID_MAIL_TO_ME, ID_BUG_REPORT)
// opens, for this `version`, the manual at `manual` and the mailbox `support`; "" when it has
// nothing to open (no manual, no mailbox, or another command).
std::string HelpLink(int id, const std::string& version, const std::string& manual,
                     const std::string& support);
