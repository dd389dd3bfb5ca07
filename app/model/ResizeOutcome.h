#pragma once
// What a "Resize..." run did, as the resize options dialog ends: the browser tells it in its
// status bar.
#include <cstddef>

struct ResizeOutcome {
    std::size_t nWritten = 0; // outputs written
    bool bMail = false;       // "Resize and mail"
    bool bMailHanded = false; // the mail program took the mail
};
