#pragma once
// Where the browser opens for paths given to it, on the command line ("Open with Vantrel") or
// dropped on its window: at the first existing path's folder (a picture's own folder), with the
// files given in that folder to be marked; the paths that name nothing are kept, as given, for
// the user to be told.
#include <string>
#include <vector>

struct StartPoint {
    std::string folder;                // "" for where the browser is without these paths
    std::vector<std::string> pictures; // files given in that folder, to be marked
    std::vector<std::string> missing;  // paths that name nothing, as given
};

StartPoint FindStartPoint(const std::vector<std::string>& paths);
