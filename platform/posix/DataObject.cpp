#include "platform/com/DataObject.h"

#include <cstring>
#include <string_view>

namespace plat {

void ReleaseStgMedium(STGMEDIUM* medium) {
    if (!medium)
        return;
    if (medium->pUnkForRelease)
        medium->pUnkForRelease->Release();
    else if (medium->tymed == TYMED_HGLOBAL)
        GlobalFree(medium->hGlobal);
    medium->tymed = TYMED_NULL;
    medium->hGlobal = nullptr;
    medium->pUnkForRelease = nullptr;
}

HGLOBAL MakeHDrop(const std::vector<std::string>& files) {
    std::size_t size = sizeof(DROPFILES) + 1;
    for (const auto& file : files)
        size += file.size() + 1;
    HGLOBAL mem = GlobalAlloc(GHND, size);
    auto* bytes = static_cast<char*>(GlobalLock(mem));
    if (!bytes)
        return GlobalFree(mem);
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    std::memcpy(bytes, &header, sizeof header);
    char* next = bytes + sizeof(DROPFILES);
    for (const auto& file : files) {
        std::memcpy(next, file.c_str(), file.size() + 1);
        next += file.size() + 1;
    }
    GlobalUnlock(mem);
    return mem;
}

namespace {

// The names of a file list, each up to its NUL, in order; stops at the empty name that ends
// the list or at the end of the block.
std::vector<std::string_view> Names(HDROP drop) {
    std::vector<std::string_view> names;
    const std::size_t size = GlobalSize(drop);
    const auto* bytes = static_cast<const char*>(GlobalLock(drop));
    if (!bytes)
        return names;
    DROPFILES header{};
    if (size >= sizeof header) {
        std::memcpy(&header, bytes, sizeof header);
        // Wide names are not produced by any host of ours; such a list reads as empty.
        std::size_t pos = header.fWide ? size : header.pFiles;
        while (pos < size) {
            const void* nul = std::memchr(bytes + pos, '\0', size - pos);
            if (!nul)
                break;
            const std::size_t length =
                static_cast<std::size_t>(static_cast<const char*>(nul) - (bytes + pos));
            if (length == 0)
                break;
            names.emplace_back(bytes + pos, length);
            pos += length + 1;
        }
    }
    GlobalUnlock(drop);
    return names;
}

} // namespace

UINT DragQueryFile(HDROP drop, UINT index, char* buffer, UINT cch) {
    const auto names = Names(drop);
    if (index == 0xFFFFFFFFu)
        return static_cast<UINT>(names.size());
    if (index >= names.size())
        return 0;
    const std::string_view name = names[index];
    if (!buffer)
        return static_cast<UINT>(name.size());
    if (cch == 0)
        return 0;
    const std::size_t copied = name.size() < cch - 1 ? name.size() : cch - 1;
    std::memcpy(buffer, name.data(), copied);
    buffer[copied] = '\0';
    return static_cast<UINT>(copied);
}

} // namespace plat
