#pragma once
// GetSystemMetrics for the two values the application asks for: the primary screen's width and
// height in device pixels. 0 when there is no screen.
// Called on the user-interface thread (Qt's screens belong to it).
namespace plat {

enum : int { SM_CXSCREEN = 0, SM_CYSCREEN = 1 };

int GetSystemMetrics(int index);

} // namespace plat
