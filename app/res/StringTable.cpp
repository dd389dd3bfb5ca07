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
    StringResource{ID_MARK, "Mark the selected picture in order to resize, mail, move or copy the "
                            "marked pictures\nMark the selected picture"},
    StringResource{ID_RESIZE, "Resize the marked pictures\nResize"},
    StringResource{ID_MOVE_TO, "Move the marked pictures to pointed folder\nMove"},
    StringResource{ID_MAIL_TO, "Mail the marked pictures\nMail"},
    StringResource{ID_OPTION, "Set the program option\nOption"},
    StringResource{ID_MAIL_TO_ME, "Mail to me if you have some good advice"},
    StringResource{ID_BUG_REPORT, "Tell me the bugs that you find"},
    StringResource{ID_VISIT_WEB, "Visit my web"},
    StringResource{ID_REFRESH, "Refresh the file list\nRefresh"},
    StringResource{ID_MARK_ALL, "Mark every picture in the folder\nMark All Pictures"},
    StringResource{ID_CLEAR_MARKS, "Clear the marks of every picture in the folder\nClear Marks"},
    StringResource{ID_INVERT_MARKS,
                   "Mark the pictures that are not marked and clear the marks of those that "
                   "are\nInvert Marks"},
    StringResource{ID_VIEW_THUMBNAILS, "Show the pictures as thumbnails\nThumbnails"},
    StringResource{ID_VIEW_DETAILS, "Show the list with its columns\nDetails"},
    StringResource{IDS_APP_TITLE, "Vantrel"},
    StringResource{IDS_IDLE_MESSAGE, "Ready"},
    StringResource{ID_EDIT_COPY, "Copy the marked pictures to pointed folder\nCopy"},
    StringResource{ID_EDIT_SELECT_ALL, "Select the all pictures in the folder\nSelect All"},
    StringResource{ID_APP_ABOUT,
                   "Display program information, version number and copyright\nAbout"},
    StringResource{ID_APP_EXIT, "Quit the application\nExit"},
    StringResource{IDS_INDICATOR_CAPS, "CAP"},
    StringResource{IDS_INDICATOR_NUM, "NUM"},
    StringResource{IDS_INDICATOR_SCRL, "SCRL"},
    StringResource{ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
    StringResource{ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
    StringResource{IDS_ADDRESS, "Address"},
    StringResource{IDS_SELECT_DEST_FOLDER, "select the destination folder..."},
    StringResource{IDS_VERSION, VTL_VERSION}, // the project's version (CMakeLists.txt)
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
