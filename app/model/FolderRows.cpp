#include "app/model/FolderRows.h"

#include "app/model/AppSetting.h"
#include "app/model/ImageFormats.h"
#include "platform/FileFacts.h"
#include "platform/Paths.h"
#include "platform/shell/ShellInfo.h"

#include <algorithm>
#include <numeric>
#include <unordered_set>

using namespace plat;

namespace {

int CompareText(const std::string& a, const std::string& b) {
    const int c = a.compare(b); // bytes as unsigned characters: "Z" before "a"
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

template <class T> int CompareNumber(T a, T b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

void CFolderRows::SetUpRowLook(int image, std::string typeName) {
    m_nUpImage = image;
    m_strUpType = std::move(typeName);
}

void CFolderRows::Clear() {
    m_rows.clear();
    m_nMarked = 0;
    m_nMarkedBytes = 0;
}

void CFolderRows::List(LPCITEMIDLIST pidl) {
    const CAppSetting* setting = GetAppSetting();
    // The clone comes first: pidl may be a row's own.
    const PidlPtr folderPidl = m_shell.Clone(pidl ? pidl : setting->m_pidlDesktop.get());
    pidl = folderPidl.get();
    Clear();
    m_bShellOrder = m_shell.CompareIds(nullptr, pidl, setting->m_pidlDrives.get()) == 0;

    std::string parsing;
    m_shell.GetName(pidl, parsing, nullptr, SHGDN_FORPARSING);
    // A hidden folder's name is all extension to the splitter; it still has a parent.
    const PathParts parts = SplitPath(parsing);
    if (!parts.dir.empty() && !(parts.fname + parts.ext).empty() && CPidlHelper::Count(pidl) > 0) {
        FolderRow up;
        up.item = std::make_unique<FileListItem>();
        up.item->m_bUp = 1;
        up.item->m_bFolder = 1;
        up.item->m_strName = "..";
        up.item->m_strType = m_strUpType;
        up.item->m_pidl = m_shell.Clone(pidl);
        up.image = m_nUpImage;
        m_rows.push_back(std::move(up));
    }

    IShellFolder* folder = m_shell.BindToFolder(pidl);
    if (!folder)
        return;
    IEnumIDList* items = nullptr;
    if (SUCCEEDED(folder->EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                                      &items))) {
        LPITEMIDLIST next = nullptr;
        while (items->Next(1, &next, nullptr) == S_OK && next) {
            const PidlPtr item(next);
            FolderRow row;
            row.item = ReadEntry(folder, pidl, item.get(), row.image);
            if (row.item)
                m_rows.push_back(std::move(row));
        }
        items->Release();
    }
    folder->Release();
}

std::unique_ptr<FileListItem> CFolderRows::ReadEntry(IShellFolder* folder, LPCITEMIDLIST parent,
                                                     LPCITEMIDLIST item, int& image) const {
    auto entry = std::make_unique<FileListItem>();
    entry->m_pidl = m_shell.Combine(parent, item);
    // An entry whose attributes cannot be read (a broken link, no permission, a loop) does not
    // end the listing: its name decides, as for a file.
    ULONG attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
    if (FAILED(folder->GetAttributesOf(1, &item, &attributes)))
        attributes = 0;
    if (attributes & (SFGAO_FOLDER | SFGAO_HASSUBFOLDER)) {
        if (m_shell.CompareIds(nullptr, entry->m_pidl.get(),
                               GetAppSetting()->m_pidlControls.get()) == 0)
            return nullptr;
        entry->m_bFolder = 1;
    } else {
        std::string name;
        m_shell.GetName(item, name, folder, SHGDN_FORPARSING | SHGDN_INFOLDER);
        if (!IsPictureExt(SplitPath(name).ext))
            return nullptr;
    }
    ReadFileFacts(*entry);
    SHFILEINFO info;
    SHGetFileInfo(entry->m_pidl.get(), &info,
                  SHGFI_DISPLAYNAME | SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    entry->m_strName = std::move(info.szDisplayName);
    entry->m_strType = std::move(info.szTypeName);
    image = info.iIcon;
    return entry;
}

void CFolderRows::ReadFileFacts(FileListItem& item) const {
    const LPCITEMIDLIST pidl = item.m_pidl.get();
    // A root under Computer ("/", a mount) has no path, size or time, as a drive has none.
    const PidlPtr first = m_shell.CloneFirst(pidl, 1);
    if (CPidlHelper::Count(pidl) == 2 &&
        m_shell.CompareIds(nullptr, first.get(), GetAppSetting()->m_pidlDrives.get()) == 0)
        return;
    std::string parsing;
    if (FAILED(m_shell.GetName(pidl, parsing, nullptr, SHGDN_FORPARSING)))
        return;
    item.m_strPath = parsing;
    const std::optional<FileFacts> facts = GetFileFacts(parsing);
    if (!facts)
        return;
    if (!facts->isDirectory) {
        item.m_nSize = facts->size;
        item.m_bShowsSize = true;
    }
    item.m_ftTime = facts->lastWriteTime ? facts->lastWriteTime : facts->creationTime;
    item.m_bShowsTime = true;
}

const FileListItem* CFolderRows::Item(int row) const {
    return Has(row) ? At(row).item.get() : nullptr;
}

int CFolderRows::RowOfPath(const std::string& path) const {
    if (path.empty())
        return -1;
    for (int row = 0; row < Count(); ++row)
        if (At(row).item->m_strPath == path)
            return row;
    return -1;
}

void CFolderRows::Mark(FolderRow& row, bool checked) {
    row.checked = checked;
    m_nMarked += checked ? 1 : -1;
    m_nMarkedBytes =
        checked ? m_nMarkedBytes + row.item->m_nSize : m_nMarkedBytes - row.item->m_nSize;
}

bool CFolderRows::SetCheck(int row, bool checked) {
    if (!Has(row) || At(row).checked == checked || !CanMark(At(row)))
        return false;
    Mark(At(row), checked);
    return true;
}

std::pair<int, int> CFolderRows::ChangeMarks(MarkChange change) {
    int first = -1, last = -1;
    for (int i = 0; i < Count(); ++i) {
        FolderRow& row = At(i);
        const bool checked = change == MarkChange::All    ? true
                             : change == MarkChange::None ? false
                                                          : !row.checked;
        if (!CanMark(row) || row.checked == checked)
            continue;
        Mark(row, checked);
        first = first < 0 ? i : first;
        last = i;
    }
    return {first, last};
}

std::vector<std::string> CFolderRows::MarkedPaths() const {
    std::vector<std::string> paths;
    for (const FolderRow& row : m_rows)
        if (row.checked && !row.item->m_strPath.empty())
            paths.push_back(row.item->m_strPath);
    return paths;
}

std::vector<int> CFolderRows::Sort(const FolderSort& sort) {
    m_sort = sort;
    std::vector<std::size_t> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return Compare(*m_rows[a].item, *m_rows[b].item) < 0;
    });
    std::vector<FolderRow> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newRow(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        newRow[order[i]] = static_cast<int>(i);
        sorted.push_back(std::move(m_rows[order[i]]));
    }
    m_rows = std::move(sorted);
    return newRow;
}

int CFolderRows::Compare(const FileListItem& a, const FileListItem& b) const {
    if (a.m_bUp)
        return -1;
    if (b.m_bUp)
        return 1;
    if (m_bShellOrder)
        return m_shell.CompareIds(nullptr, a.m_pidl.get(), b.m_pidl.get());
    if (a.m_bFolder != b.m_bFolder)
        return a.m_bFolder ? -1 : 1;
    int result = 0;
    switch (m_sort.column) {
    case 0:
        result = CompareText(a.m_strName, b.m_strName);
        break;
    case 1:
        result = CompareNumber(a.m_nSize, b.m_nSize);
        break;
    case 2:
        result = CompareText(a.m_strType, b.m_strType);
        break;
    case 3:
        result = CompareNumber(a.m_ftTime, b.m_ftTime);
        break;
    default:
        break;
    }
    return m_sort.ascending ? result : -result;
}
