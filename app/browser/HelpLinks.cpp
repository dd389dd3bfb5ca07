#include "app/browser/HelpLinks.h"

#include "app/res/resource.h"

namespace {

const std::string kWebSite = "https://vantrel.example/";
const std::string kSupportMailbox = "support@vantrel.example";

} // namespace

std::string HelpLink(int id, const std::string& version) {
    switch (id) {
    case ID_VISIT_WEB:
        return kWebSite;
    case ID_CHECK_VERSION:
        return kWebSite + "vtl/upgrade.asp?version=" + version;
    case ID_MAIL_TO_ME:
        return "mailto:" + kSupportMailbox + "?subject=[VTL" + version + "] I have words to say";
    case ID_BUG_REPORT:
        return "mailto:" + kSupportMailbox + "?subject=[VTL" + version + "] BUG REPORT";
    default:
        return {};
    }
}
