#pragma once
// Where the resize job writes the output of one source, by the first rule that applies:
//   1. bOverwrite: over the source itself; no folder is made.
//   2. mail mode: into the run's private mail folder, under a name no earlier output took.
//   3. no destination folder: into the folder "resize" beside the source.
//   4. a destination folder: into it; a folder text that is not absolute is taken relative to
//      the source's folder (joined to it, never by changing the current directory). The text
//      is used as typed, so a trailing separator gives a doubled one, which the file system
//      accepts.
// The name is the source's name (with strSuffix after it in rules 3 and 4); the extension is the
// source's own for output type 0, else the output type's. Paths are never cut: an output path or
// folder that would not fit a 260-byte path buffer is refused, as is a mail-mode output when the
// mail folder cannot be made.
//
// Called by the resize job on its worker thread.
#include "app/model/base/ResizeSetting.h"
#include "platform/Result.h"

#include <string>

class CMailFolder;

struct OutputChoice {
    std::string path;
    std::string folder; // the folder to make first, with its separator; "" for rules 1 and 2
};

// mail is the run's mail folder in mail mode, null otherwise.
plat::Result<OutputChoice> ChooseOutput(const ResizeSetting& s, const std::string& source,
                                        CMailFolder* mail);
