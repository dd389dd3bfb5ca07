#pragma once
// The command line of `vtl resize [OPTIONS] FILE|FOLDER...`: one table of options (name, value,
// help, what it sets) read into the resize settings of a run and the command's own choices,
// and the usage and help texts made from the same table.
//
// The settings start from the defaults, or with --settings (wherever it stands) from the
// stored ones; the options then override them in the order given. Sizes: --percent N, or
// --width and --height each in pixels or percent; one of the two alone keeps the proportion
// (in percent both sides take it; in pixels the picture is fitted into a box unbounded the
// other way, which the desktop-size rule computes from each picture's own proportion);
// --fit WxH fits inside the box as the desktop-size mode does. A relative --to is taken from
// the current folder, as every command line tool does, not from each source's.
//
// Called by the resize command on the main thread; no window, no Qt.
#include "app/model/base/ResizeSetting.h"
#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ResizeCommandLine {
    ResizeSetting setting;
    // The box that the desktop-size rule fits into when setting.bDesktop is set.
    std::int32_t nBoxWidth = 0;
    std::int32_t nBoxHeight = 0;
    std::vector<std::string> inputs; // FILE|FOLDER, as given
    std::size_t nJobs = 0;           // 0: as the resize job chooses
    // Existing outputs are replaced: --force, or --overwrite given here (stored settings that
    // overwrite are not enough).
    bool bReplace = false;
    bool bDryRun = false;
    bool bQuiet = false;
    bool bHelp = false;
};

// The command line after "resize", or the usage error to tell (exit status 2). `stored` loads
// the stored settings for --settings.
plat::Result<ResizeCommandLine>
ReadResizeCommandLine(const std::vector<std::string>& args,
                      const std::function<void(ResizeSetting&)>& stored);

// The short usage text of a usage error, and the whole help with every option.
std::string ResizeUsage();
std::string ResizeHelp();
