// vtlregistry: a small tool for people and tests.
//   vtlregistry settings                   the settings key as the application loads it
//   vtlregistry handoff dump               the hand-off records waiting, oldest first, left there
//   vtlregistry handoff write CMD FILE...  leaves a record of FILE... with command CMD, as the
//                                          extension writes it, for the next vtl started by hand
//   vtlregistry --help | --version
#include "app/model/AppSetting.h"
#include "app/model/SettingFields.h"
#include "app/model/base/HandoffQueue.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int PrintSettings() {
    const CAppSetting setting;
    std::printf("%s=%d\n%s=%s\n", settingkey::OVERWRITE, setting.m_resize.bOverwrite,
                settingkey::DEST, setting.m_resize.strDestFolder.c_str());
    for (const auto& field : kResizeFields)
        std::printf("%s=%d\n", field.name, setting.m_resize.*field.member);
    for (const auto& field : kMenuFields)
        std::printf("%s=%d\n", field.name, setting.*field.member);
    std::printf("%s=%d\n%s=", settingkey::THUNAR_ACTIONS_ADDED, setting.m_bThunarActionsAdded,
                settingkey::WINDOW_PLACE);
    const WINDOWPLACEMENT& wp = setting.m_wndPlacement;
    if (setting.m_bPlacementLoaded)
        std::printf(kPlacementFormat, wp.length, wp.flags, wp.showCmd, wp.ptMinPositionX,
                    wp.ptMinPositionY, wp.ptMaxPositionX, wp.ptMaxPositionY,
                    wp.rcNormalPositionLeft, wp.rcNormalPositionTop, wp.rcNormalPositionRight,
                    wp.rcNormalPositionBottom);
    else
        std::printf("(none loaded)");
    // The four widths on one line ("columnwidth"), where the key holds one value for each.
    std::printf("\n%s=%d\ncolumnwidth=%d,%d,%d,%d\n%s=%d\n%s=%s\n%s=%s\n",
                settingkey::CURRENT_COLUMN, setting.m_nCurCol, setting.m_nColumnWidth[0],
                setting.m_nColumnWidth[1], setting.m_nColumnWidth[2], setting.m_nColumnWidth[3],
                settingkey::LIST_VIEW, setting.m_nListView, settingkey::COPY_MOVE_TO,
                setting.m_szCopyMoveTo, settingkey::LAST_BROWSE, setting.m_szLastBrowse);
    std::printf("user.dat=%s\nmail subject=%s\nmail body=%s\n", CAppSetting::UserDataPath().c_str(),
                setting.m_szMailSubject, setting.m_szMailBody);
    return 0;
}

int DumpHandoff() {
    const auto queue = CHandoffQueue::Open(false);
    if (!queue) {
        std::fprintf(stderr, "vtlregistry: %s\n", queue.error().message.c_str());
        return 1;
    }
    const auto records = queue->Peek();
    if (records.empty())
        std::printf("no hand-off waiting\n");
    for (auto [name, block] : records) {
        // Read from a copy, which the reading marks consumed: the record stays where it is.
        std::printf("record=%s\ncReady=0x%02X\n", name.c_str(), block[0]);
        std::vector<std::string> files;
        const HandoffHeader header = ReadHandoffBlock(block.data(), files);
        std::printf("nReservedA=%u\nnReservedB=%u\nnPathCount=%u\nnCommand=%u\nnReservedC=%u\n",
                    header.nReservedA, header.nReservedB, header.nPathCount, header.nCommand,
                    header.nReservedC);
        for (const auto& file : files)
            std::printf("%s\n", file.c_str());
    }
    return 0;
}

int WriteHandoffRecord(std::uint32_t command, const std::vector<std::string>& files) {
    auto queue = CHandoffQueue::Open(true);
    if (!queue) {
        std::fprintf(stderr, "vtlregistry: %s\n", queue.error().message.c_str());
        return 1;
    }
    if (const auto posted = queue->Post(command, files); !posted) {
        std::fprintf(stderr, "vtlregistry: %s\n", posted.error().message.c_str());
        return 1;
    }
    return 0;
}

constexpr const char* kUsage = "usage: vtlregistry settings\n"
                               "       vtlregistry handoff dump\n"
                               "       vtlregistry handoff write COMMAND FILE...\n"
                               "       vtlregistry --help | --version\n";

constexpr const char* kHelp =
    "\n"
    "Shows what Vantrel keeps.\n"
    "  settings                 prints the settings as vtl loads them, and where user.dat is\n"
    "  handoff dump             prints the hand-off records waiting for vtl, leaving them\n"
    "  handoff write CMD FILE...  leaves a record for the next vtl started by hand (CMD 0:\n"
    "                           Resize dialog, 1: default setting, 2: default setting and mail)\n"
    "See vtlregistry(1).\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") {
        std::printf("%s%s", kUsage, kHelp);
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::printf("vtlregistry (Vantrel) %s\n", VTL_VERSION);
        return 0;
    }
    if (args.size() == 1 && args[0] == "settings")
        return PrintSettings();
    if (args.size() == 2 && args[0] == "handoff" && args[1] == "dump")
        return DumpHandoff();
    if (args.size() >= 3 && args[0] == "handoff" && args[1] == "write") {
        char* end = nullptr;
        const unsigned long command = std::strtoul(args[2].c_str(), &end, 10);
        if (*end || args[2].empty())
            return Usage();
        return WriteHandoffRecord(static_cast<std::uint32_t>(command),
                                  {args.begin() + 3, args.end()});
    }
    return Usage();
}
