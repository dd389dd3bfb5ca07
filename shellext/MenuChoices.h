#pragma once
// What the user chose for the file manager's menu on the options sheet's "Menu Context" page:
// whether the "Vantrel" submenu is offered at all, which of its three commands it offers, and
// what "Resize and mail" does. Read afresh from the application's settings key for every menu
// and every command, so a change shows at the next right-click; a value that is missing or
// cannot be read counts as ticked, as the application's defaults are.
// Any thread may call.
#include "shellext/VtlExtIds.h"

#include <cstdint>

namespace vtlext {

struct MenuChoices {
    bool bVantrel = true;
    bool bCommands[COMMAND_COUNT] = {true, true, true}; // by menu offset
    // "Resize and mail" resizes with the default settings and mails; else it opens the
    // resize dialog, whose "Resize and mail" then mails.
    bool bMailAsDefault = true;

    // Whether the menu offers the command at `offset`.
    bool Offers(unsigned offset) const {
        return bVantrel && offset < COMMAND_COUNT && bCommands[offset];
    }
    // The command code (HandoffBlock.h) that the command at `offset` hands over.
    std::uint32_t CommandCode(unsigned offset) const;
};

MenuChoices ReadMenuChoices();

} // namespace vtlext
