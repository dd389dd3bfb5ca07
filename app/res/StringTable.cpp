#include "app/res/StringTable.h"

#include "app/res/resource.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

struct StringResource {
    int id;
    const char* text;
};

// Sorted by id.
constexpr std::array kStrings{
    StringResource{IDS_APP_TITLE, "Vantrel"},
    StringResource{IDS_IDLE_MESSAGE, "Ready"},
    StringResource{IDS_INDICATOR_CAPS, "CAP"},
    StringResource{IDS_INDICATOR_NUM, "NUM"},
    StringResource{IDS_INDICATOR_SCRL, "SCRL"},
    StringResource{IDS_ADDRESS, "Address"},
    StringResource{IDS_SELECT_DEST_FOLDER, "select the destination folder..."},
    StringResource{IDS_VERSION, "4.2.1197"},
};

static_assert(std::is_sorted(kStrings.begin(), kStrings.end(),
                             [](const StringResource& a, const StringResource& b) {
                                 return a.id < b.id;
                             }),
              "the string table is searched by halves and must stay sorted by id");

} // namespace

std::string LoadString(int id) {
    const auto found =
        std::lower_bound(kStrings.begin(), kStrings.end(), id,
                         [](const StringResource& entry, int wanted) { return entry.id < wanted; });
    if (found == kStrings.end() || found->id != id)
        return {};
    return found->text;
}
