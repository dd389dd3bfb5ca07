#pragma once
// Asks the display server Qt runs on for a screen's monitor size in device pixels: on X11 the
// RandR monitor of the screen (through Qt's own connection), on Wayland the current mode of
// the output (through a short connection of our own, since Qt 6.4 keeps the mode to itself).
// Nothing on other platforms (offscreen, or a server that does not answer).
//
// An answer is kept while the screen reports the same place, size and ratio, so asking on every
// keystroke of a dialog costs no round trip.
//
// Called on the user-interface thread.
#include <optional>

class QScreen;

namespace plat {

struct OutputMode {
    int width = 0, height = 0; // device pixels, as the monitor's panel is built
    bool turned = false;       // Wayland: the output is shown turned by 90 or 270 degrees
};

std::optional<OutputMode> PrimaryOutputMode(const QScreen& screen);

} // namespace plat
