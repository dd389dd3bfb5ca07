#include "app/application/ResizeOptions.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <optional>
#include <type_traits>
#include <utility>

namespace {

// A side given alone in pixels is fitted into a box this long the other way: never the limit.
constexpr std::int32_t kUnbounded = std::numeric_limits<std::int32_t>::max();
// Pixel sizes stay below this, so that the 32-bit arithmetic of the target size cannot wrap
// for any picture the library opens (65535 pixels a side at most).
constexpr std::int32_t kLargestSide = 32767;

struct Length {
    std::int32_t n = 0;
    std::int32_t unit = UNIT_PIXEL;
};

// What the options said, before the sizes are settled from all of them together.
struct Reading {
    ResizeCommandLine line;
    std::optional<Length> width, height;
    std::optional<std::int32_t> percent;
    std::optional<std::pair<std::int32_t, std::int32_t>> fit;
    std::optional<std::string> to, suffix;
    bool bOverwrite = false; // --overwrite given, not only stored
};

// The value taken, or what is wrong with it.
using Outcome = plat::Result<void>;
using Apply = Outcome (*)(Reading&, const std::string& value);

struct Option {
    const char* name;
    const char* value; // the value's shape in the help, nullptr for a switch
    const char* help;
    Apply apply;
};

bool ReadNumber(const std::string& text, std::int32_t lowest, std::int32_t highest,
                std::int32_t& number) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != text.npos)
        return false;
    number = std::stoi(text);
    return number >= lowest && number <= highest;
}

std::string Range(std::int32_t lowest, std::int32_t highest) {
    return "give a whole number from " + std::to_string(lowest) + " to " + std::to_string(highest);
}

Outcome ReadNumberInto(const std::string& text, std::int32_t lowest, std::int32_t highest,
                       std::int32_t& number) {
    if (!ReadNumber(text, lowest, highest, number))
        return plat::Failure{Range(lowest, highest)};
    return plat::Ok{};
}

Outcome ReadLength(const std::string& text, std::optional<Length>& length) {
    Length read;
    std::string number = text;
    if (number.ends_with("%"))
        number.pop_back(), read.unit = UNIT_PERCENT;
    else if (number.ends_with("px"))
        number.resize(number.size() - 2);
    const std::int32_t highest = read.unit == UNIT_PERCENT ? 1000 : kLargestSide;
    if (!ReadNumber(number, 1, highest, read.n))
        return plat::Failure{"give N pixels (1 to " + std::to_string(kLargestSide) +
                             ") or N% (1 to 1000), as 800 or 50%"};
    length = read;
    return plat::Ok{};
}

// One of `names`, whose place is the value set.
Outcome ReadChoice(const std::string& text, std::initializer_list<const char*> names,
                   std::int32_t& chosen) {
    const auto found = std::find(names.begin(), names.end(), text);
    if (found == names.end()) {
        std::string list;
        for (const char* name : names)
            list += (list.empty() ? "" : "|") + std::string(name);
        return plat::Failure{"give one of " + list};
    }
    chosen = static_cast<std::int32_t>(found - names.begin());
    return plat::Ok{};
}

// An option without a value sets one field to what it asks for, and is always taken.
template <class Field> Outcome Mark(Field& field, std::type_identity_t<Field> value) {
    field = value;
    return plat::Ok{};
}

const Option kOptions[] = {
    {"--width", "N[px|%]", "width in pixels or percent (alone: in proportion)",
     [](Reading& r, const std::string& v) { return ReadLength(v, r.width); }},
    {"--height", "N[px|%]", "height likewise",
     [](Reading& r, const std::string& v) { return ReadLength(v, r.height); }},
    {"--percent", "N", "both sides at N percent",
     [](Reading& r, const std::string& v) {
         std::int32_t n = 0;
         Outcome taken = ReadNumberInto(v, 1, 1000, n);
         if (taken)
             r.percent = n;
         return taken;
     }},
    {"--fit", "WxH", "fit inside W x H pixels, keeping the proportion",
     [](Reading& r, const std::string& v) -> Outcome {
         const std::size_t x = v.find('x');
         std::int32_t w = 0, h = 0;
         if (x == v.npos || !ReadNumber(v.substr(0, x), 1, kLargestSide, w) ||
             !ReadNumber(v.substr(x + 1), 1, kLargestSide, h))
             return plat::Failure{"give WxH in pixels, as 1920x1080"};
         r.fit = {w, h};
         return plat::Ok{};
     }},
    {"--never-enlarge", nullptr, "smaller pictures keep their size",
     [](Reading& r, const std::string&) { return Mark(r.line.setting.bShrinkOnly, 1); }},
    {"--rotate", "left|right|flip", "turn 90 degrees left or right, or flip horizontally",
     [](Reading& r, const std::string& v) {
         // In the order of the settings' codes: left 0, flip 1, right 2.
         r.line.setting.bRotate = 1;
         return ReadChoice(v, {"left", "flip", "right"}, r.line.setting.nRotate);
     }},
    {"--dpi", "X[,Y]", "resolution in dots per inch (Y as X when not given)",
     [](Reading& r, const std::string& v) -> Outcome {
         ResizeSetting& s = r.line.setting;
         const std::size_t comma = v.find(',');
         if (!ReadNumber(v.substr(0, comma), 1, 65535, s.nXDpi) ||
             !ReadNumber(comma == v.npos ? v : v.substr(comma + 1), 1, 65535, s.nYDpi))
             return plat::Failure{"give X or X,Y dots per inch, each from 1 to 65535"};
         s.bSetDpi = 1;
         return plat::Ok{};
     }},
    {"--format", "FORMAT",
     "same (the source's), jpeg, bmp, gif, ico, png, tiff,\n"
     "pcx, webp or avif",
     [](Reading& r, const std::string& v) {
         // In the order of the save types' codes.
         return ReadChoice(
             v, {"same", "jpeg", "bmp", "gif", "ico", "png", "tiff", "pcx", "webp", "avif"},
             r.line.setting.nImageType);
     }},
    {"--quality", "N", "quality of JPEG, WebP and AVIF outputs (0 to 100)",
     [](Reading& r, const std::string& v) {
         return ReadNumberInto(v, 0, 100, r.line.setting.nQuality);
     }},
    {"--max-kb", "N", "each output at most N KB (0: no limit)",
     [](Reading& r, const std::string& v) {
         return ReadNumberInto(v, 0, 2000000, r.line.setting.nMaxKb);
     }},
    {"--to", "DIR", "write into DIR (default: \"resize\" beside each source)",
     [](Reading& r, const std::string& v) -> Outcome {
         if (v.empty())
             return plat::Failure{"give a folder"};
         r.to = v;
         return plat::Ok{};
     }},
    {"--suffix", "TEXT", "name outputs NAME+TEXT, beside their sources",
     [](Reading& r, const std::string& v) -> Outcome {
         if (v.empty() || v.find('/') != v.npos)
             return plat::Failure{"give a text without a /"};
         r.suffix = v;
         return plat::Ok{};
     }},
    {"--overwrite", nullptr, "write over the sources (the originals go to the trash)",
     [](Reading& r, const std::string&) -> Outcome {
         r.line.setting.bOverwrite = 1;
         r.bOverwrite = r.line.bReplace = true;
         return plat::Ok{};
     }},
    {"--no-trash", nullptr, "with --overwrite, keep no originals in the trash",
     [](Reading& r, const std::string&) { return Mark(r.line.setting.bTrash, 0); }},
    {"--force", nullptr, "replace existing outputs (else they are skipped)",
     [](Reading& r, const std::string&) { return Mark(r.line.bReplace, true); }},
    {"--settings", nullptr, "start from the stored settings, not the defaults",
     [](Reading&, const std::string&) -> Outcome { return plat::Ok{}; }}, // read before all others
    {"--dry-run", nullptr, "print what would be written, write nothing",
     [](Reading& r, const std::string&) { return Mark(r.line.bDryRun, true); }},
    {"--quiet", nullptr, "print failures only",
     [](Reading& r, const std::string&) { return Mark(r.line.bQuiet, true); }},
    {"--jobs", "N", "pictures worked on at once (default 2)",
     [](Reading& r, const std::string& v) {
         std::int32_t n = 0;
         Outcome taken = ReadNumberInto(v, 1, 64, n);
         if (taken)
             r.line.nJobs = static_cast<std::size_t>(n);
         return taken;
     }},
    {"--help", nullptr, "print this help",
     [](Reading& r, const std::string&) { return Mark(r.line.bHelp, true); }},
};

const Option* FindOption(const std::string& name) {
    for (const Option& option : kOptions)
        if (name == option.name)
            return &option;
    return nullptr;
}

std::string FolderFromHere(const std::string& folder) {
    std::error_code error;
    std::string path = std::filesystem::absolute(folder, error).lexically_normal().string();
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The sizes and places from all the options together, or why they do not agree.
Outcome Settle(Reading& r) {
    ResizeCommandLine& line = r.line;
    ResizeSetting& s = line.setting;
    const int sizes = r.percent.has_value() + r.fit.has_value() + (r.width || r.height);
    if (sizes > 1)
        return plat::Failure{"give one size: --percent, --fit, or --width and --height"};
    if (sizes == 1)
        s.bResize = 1, s.bDesktop = 0;
    if (r.percent) {
        s.nWidth = s.nHeight = *r.percent;
        s.nWidthUnit = s.nHeightUnit = UNIT_PERCENT;
    } else if (r.fit) {
        s.bDesktop = 1;
        std::tie(line.nBoxWidth, line.nBoxHeight) = *r.fit;
    } else if (r.width && r.height) {
        s.nWidth = r.width->n, s.nWidthUnit = r.width->unit;
        s.nHeight = r.height->n, s.nHeightUnit = r.height->unit;
    } else if (const std::optional<Length>& alone = r.width ? r.width : r.height; alone) {
        if (alone->unit == UNIT_PERCENT) {
            s.nWidth = s.nHeight = alone->n;
            s.nWidthUnit = s.nHeightUnit = UNIT_PERCENT;
        } else {
            s.bDesktop = 1;
            line.nBoxWidth = r.width ? alone->n : kUnbounded;
            line.nBoxHeight = r.width ? kUnbounded : alone->n;
        }
    }
    if (s.bResize && s.bDesktop && line.nBoxWidth == 0)
        return plat::Failure{"the stored settings fit pictures to the desktop, whose size a "
                             "command line does not know: give a size (--fit WxH)"};
    if (r.bOverwrite && (r.to || r.suffix))
        return plat::Failure{"--overwrite writes over the sources: it takes no --to or --suffix"};
    if (r.to || r.suffix) {
        s.bOverwrite = 0;
        // Beside each source: "." is taken from each source's folder.
        s.strDestFolder = r.to ? FolderFromHere(*r.to) : ".";
        s.strSuffix = r.suffix.value_or("");
    }
    if (line.inputs.empty() && !line.bHelp)
        return plat::Failure{"no pictures given"};
    return plat::Ok{};
}

} // namespace

plat::Result<ResizeCommandLine>
ReadResizeCommandLine(const std::vector<std::string>& args,
                      const std::function<void(ResizeSetting&)>& stored) {
    Reading r;
    const auto optionsEnd = std::find(args.begin(), args.end(), "--");
    if (std::find(args.begin(), optionsEnd, "--settings") != optionsEnd)
        stored(r.line.setting);
    bool options = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!options || arg.size() < 2 || arg[0] != '-') {
            r.line.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options = false;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const Option* option = FindOption(name);
        if (!option)
            return plat::Failure{"unknown option " + name};
        std::string value;
        if (!option->value && equals != arg.npos)
            return plat::Failure{name + " takes no value"};
        if (option->value && equals != arg.npos)
            value = arg.substr(equals + 1);
        else if (option->value && i + 1 < args.size())
            value = args[++i];
        else if (option->value)
            return plat::Failure{name + " needs a value: " + option->value};
        if (const Outcome taken = option->apply(r, value); !taken)
            return plat::Failure{name + " " + value + ": " + taken.error().message};
    }
    if (const Outcome settled = Settle(r); !settled)
        return settled.error();
    return std::move(r.line);
}

std::string ResizeUsage() {
    return "Usage: vtl resize [OPTIONS] FILE|FOLDER...\n"
           "Try \"vtl resize --help\" for the options.\n";
}

std::string ResizeHelp() {
    const std::string kIndent(26, ' ');
    std::string help =
        "Usage: vtl resize [OPTIONS] FILE|FOLDER...\n"
        "Resizes, turns and re-encodes pictures without a window or a display, as\n"
        "Vantrel's \"Resize as default setting\" does. Without options each picture keeps\n"
        "its size and format and is written into a folder \"resize\" beside it. A\n"
        "folder stands for the pictures in it and its sub-folders.\n\n";
    for (const Option& option : kOptions) {
        std::string left = std::string("  ") + option.name;
        if (option.value)
            left += std::string(" ") + option.value;
        // The help column starts at 26; a longer option stands on a line of its own.
        left = left.size() < 26 ? left + std::string(26 - left.size(), ' ') : left + "\n" + kIndent;
        std::string text = option.help;
        for (std::size_t at = text.find('\n'); at != text.npos; at = text.find('\n', at + 1))
            text.insert(at + 1, kIndent);
        help += left + text + "\n";
    }
    help += "\nEach picture written prints \"SOURCE -> OUTPUT WxH BYTES\"; on a terminal a\n"
            "progress line stands instead. Failures and skipped pictures go to standard\n"
            "error.\n"
            "An existing output is skipped unless --force (or --overwrite) is given.\n"
            "Exit status: 0 every picture written or skipped, 1 some failed (the others are\n"
            "written), 2 a usage error. See vtl(1).\n";
    return help;
}
