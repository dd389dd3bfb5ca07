#pragma once
// The pictures of a run from paths that may name folders: the hand-off of the file managers'
// folder commands, and a command line. A file stays as it is, in its place; a folder stands for
// the pictures in it and in its sub-folders.
//
// Order: the paths keep theirs; inside a folder its pictures come first, by name, then each
// sub-folder in turn, by name, as a person reads a tree top-down. Names compare as bytes, as the
// browser's list does ("Z" before "a").
//
// Left out: the folders the run writes into (the one the output rule, ChooseOutput, makes for
// the pictures of each folder walked: the destination folder when one is chosen) and every
// "resize" folder the rule makes beside pictures, whose pictures are earlier runs' outputs; hidden
// folders and files (a leading '.', the desktop's ".Trash-1000" with them), and every symbolic
// link to a folder, so a link loop ends and nothing outside the tree is taken. A sub-folder that
// cannot be read is left out and named, so the caller can say so.
//
// Reads the disk only; no thread rules: any thread may call.
#include "app/model/base/ResizeSetting.h"

#include <cstddef>
#include <string>
#include <vector>

struct PictureList {
    std::vector<std::string> pictures;
    std::vector<std::string> unreadable; // folders left out because they could not be read
    std::size_t fromFolders = 0;         // how many of the pictures were found in folders
};

// `setting` is the run's: its output rule says which folders are the run's own.
PictureList ExpandPictureFolders(const std::vector<std::string>& paths,
                                 const ResizeSetting& setting);
