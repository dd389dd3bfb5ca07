#pragma once
// Whether the program can open a window here. Without a display (over ssh, in a container) Qt
// would abort as it starts; vtl and vtlmenu ask first and say instead what the person can do.
//
// Called by main() of vtl and by vtlmenu, before Qt starts.
#include <cstdlib>
#include <initializer_list>

// Where a desktop session names its display.
inline bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

// A display, or a Qt platform chosen by the person (QT_QPA_PLATFORM, as tests choose
// "offscreen"), which Qt then answers for.
inline bool CanOpenWindows() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return HasDisplay() || (platform && *platform);
}

inline constexpr char kNeedsDisplayText[] =
    "Vantrel's windows need a display (DISPLAY or WAYLAND_DISPLAY), and there is none here.\n"
    "For scripts and machines without one, \"vtl resize\" resizes pictures on the command line\n"
    "(see \"vtl resize --help\").";
