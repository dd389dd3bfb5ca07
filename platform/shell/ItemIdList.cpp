#include "platform/shell/ItemIdList.h"

namespace plat {

namespace {
const BYTE* Bytes(LPCITEMIDLIST pidl) {
    return reinterpret_cast<const BYTE*>(pidl);
}
} // namespace

USHORT ILItemSize(LPCITEMIDLIST item) {
    const BYTE* bytes = Bytes(item);
    return static_cast<USHORT>(bytes[0] | (bytes[1] << 8));
}

LPCITEMIDLIST ILGetNext(LPCITEMIDLIST item) {
    if (!item)
        return nullptr;
    const USHORT size = ILItemSize(item);
    return size ? reinterpret_cast<LPCITEMIDLIST>(Bytes(item) + size) : nullptr;
}

std::size_t ILGetSize(LPCITEMIDLIST pidl) {
    if (!pidl)
        return 0;
    std::size_t size = 2;
    for (LPCITEMIDLIST item = pidl; ILItemSize(item); item = ILGetNext(item))
        size += ILItemSize(item);
    return size;
}

unsigned ILGetCount(LPCITEMIDLIST pidl) {
    unsigned count = 0;
    for (LPCITEMIDLIST item = pidl; item && ILItemSize(item); item = ILGetNext(item))
        ++count;
    return count;
}

std::vector<ShellItem> ILSplit(LPCITEMIDLIST pidl) {
    std::vector<ShellItem> items;
    for (LPCITEMIDLIST item = pidl; item && ILItemSize(item); item = ILGetNext(item)) {
        const USHORT size = ILItemSize(item);
        const char* bytes = reinterpret_cast<const char*>(item);
        if (size < 3)
            items.push_back({0, {}});
        else
            items.push_back({static_cast<BYTE>(bytes[2]), std::string_view(bytes + 3, size - 3u)});
    }
    return items;
}

bool ILAppendItem(std::string& items, BYTE kind, std::string_view name) {
    const std::size_t size = 3 + name.size();
    if (size > 0xFFFF)
        return false;
    items += static_cast<char>(size & 0xFF);
    items += static_cast<char>(size >> 8);
    items += static_cast<char>(kind);
    items += name;
    return true;
}

std::string ILItemBytes(LPCITEMIDLIST pidl) {
    const std::size_t size = ILGetSize(pidl);
    return size ? std::string(reinterpret_cast<const char*>(pidl), size - 2) : std::string();
}

} // namespace plat
