// Stands in for vtl in the Windows tests: started by the extension through the stored
// "location", it takes the hand-off record as vtl does (ReadHandoff) and writes what it took
// into "<program>.<process id>.record": a line "pending command count", then one line per
// file. It first
// writes "<program>.started", waits while "<program>.hold" exists, and ends without taking
// anything when "<program>.refuse" exists, or when the hand-off is refused (as vtl would say).
#include "app/model/base/HandoffQueue.h"

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

int main() {
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    const std::string program(self, length);
    std::ofstream(program + ".started") << "started\n";
    while (Exists(program + ".hold"))
        Sleep(20);
    if (Exists(program + ".refuse"))
        return 3;
    std::vector<std::string> files;
    const auto taken = ReadHandoff(files);
    if (!taken)
        return 4;
    const HandoffRead& read = *taken;
    const std::string name = program + "." + std::to_string(GetCurrentProcessId());
    std::ofstream record(name + ".part");
    record << read.pending << ' ' << read.command << ' ' << files.size() << '\n';
    for (const std::string& file : files)
        record << file << '\n';
    record.close();
    MoveFileA((name + ".part").c_str(), (name + ".record").c_str());
    return 0;
}
