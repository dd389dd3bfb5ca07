#pragma once
// GetSystemMetrics for the two values the application asks for: the primary screen's width and
// height in device pixels, the real pixels of the monitor at every scale. 0 when there is no
// screen.
//
// Qt reports a screen in device-independent pixels and a device pixel ratio, and neither gives
// the real size back exactly: at 150 % a 2560-pixel X11 screen is 1707 wide (rounded), which
// times 1.5 is 2561; a Wayland compositor at 150 % tells Qt 6.4 an integer scale of 2, so the
// logical size times the ratio overshoots by a third. So the size comes from the display
// server itself when it tells it (the RandR monitor on X11, the output's current mode on
// Wayland), and from Qt's figures only where it does not.
//
// Called on the user-interface thread (Qt's screens belong to it).
namespace plat {

enum : int { SM_CXSCREEN = 0, SM_CYSCREEN = 1 };

int GetSystemMetrics(int index);

// What the platform reports about the primary screen.
struct ScreenReport {
    int logicalWidth = 0, logicalHeight = 0; // Qt's size, in device-independent pixels
    double ratio = 1.0;                      // Qt's device pixel ratio
    // The display server's own size of the monitor in device pixels; 0 when it tells none.
    // Wayland gives the output's mode as the panel is built, before the output is turned.
    int outputWidth = 0, outputHeight = 0;
    bool turned = false; // the output is turned by 90 or 270 degrees
};

struct ScreenPixels {
    int cx = 0, cy = 0;
    bool operator==(const ScreenPixels&) const = default;
};

// The screen's real pixels from what the platform reports.
ScreenPixels DesktopPixels(const ScreenReport& report);

} // namespace plat
