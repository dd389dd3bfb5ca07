#include "platform/shell/ShellInfo.h"

#include "platform/Utf8.h"

#include <QMimeDatabase>

#include <mutex>
#include <unordered_map>
#include <vector>

namespace plat {

namespace {

// The file types met so far: each one's icon index and its type name, which the MIME
// database is slow to give.
class CFileTypes {
  public:
    struct Type {
        int icon;
        std::string comment;
    };
    const Type& Of(const QMimeType& type) {
        const std::string name = type.name().toStdString();
        std::lock_guard lock(m_lock);
        const auto [it, added] = m_types.try_emplace(
            name, Type{SHICON_FIRST_TYPE + static_cast<int>(m_names.size()), std::string()});
        if (added) {
            it->second.comment = type.comment().toStdString();
            m_names.push_back(name);
        }
        return it->second;
    }
    std::string NameOf(int index) {
        std::lock_guard lock(m_lock);
        const auto slot = static_cast<std::size_t>(index - SHICON_FIRST_TYPE);
        return index >= SHICON_FIRST_TYPE && slot < m_names.size() ? m_names[slot] : std::string();
    }

  private:
    std::mutex m_lock;
    std::unordered_map<std::string, Type> m_types; // never erased, so a Type stays where it is
    std::vector<std::string> m_names;
};

CFileTypes& FileTypes() {
    static CFileTypes types;
    return types;
}

const QMimeDatabase& MimeDatabase() {
    static const QMimeDatabase database;
    return database;
}

std::string Comment(const char* mimeType) {
    return FileTypes().Of(MimeDatabase().mimeTypeForName(QString::fromLatin1(mimeType))).comment;
}

// What an item is, for its icon and its type name.
struct ItemKind {
    int icon = SHICON_FILE; // a fixed index, or SHICON_FILE for a file whose type decides
    std::string fileName;   // for a file: the name its type is matched by
};

void Fill(const ItemKind& kind, SHFILEINFO* psfi, UINT flags) {
    const bool isFile = kind.icon == SHICON_FILE;
    const CFileTypes::Type* type = nullptr;
    if (isFile && (flags & (SHGFI_TYPENAME | SHGFI_SYSICONINDEX)))
        type = &FileTypes().Of(MimeDatabase().mimeTypeForFile(
            QString::fromStdString(ToValidUtf8(kind.fileName)), QMimeDatabase::MatchExtension));
    if (flags & SHGFI_SYSICONINDEX) {
        psfi->iIcon = type ? type->icon : kind.icon;
        if ((flags & SHGFI_OPENICON) && psfi->iIcon == SHICON_FOLDER)
            psfi->iIcon = SHICON_FOLDER_OPEN;
    }
    if (flags & SHGFI_TYPENAME) {
        switch (kind.icon) {
        case SHICON_FILE:
            psfi->szTypeName = type->comment;
            break;
        case SHICON_DESKTOP:
        case SHICON_COMPUTER:
            psfi->szTypeName = "System Folder";
            break;
        case SHICON_DRIVE:
            psfi->szTypeName = Comment("inode/mount-point");
            break;
        default:
            psfi->szTypeName = Comment("inode/directory");
        }
    }
}

} // namespace

bool SHGetFileInfo(LPCITEMIDLIST pidl, SHFILEINFO* psfi, UINT flags) {
    const CShellNamespace& space = CShellNamespace::Process();
    const ShellLocation at = space.Resolve(pidl);
    if (at.kind == ShellLocation::Invalid || !psfi)
        return false;
    ULONG attributes = 0;
    // An entry that cannot be read is shown as a file: its name is all there is to go by.
    const bool readable = SUCCEEDED(CShellNamespace::GetAttributes(at, &attributes));
    ItemKind kind;
    if (at.kind == ShellLocation::Desktop)
        kind.icon = SHICON_DESKTOP;
    else if (at.virtualName == CShellNamespace::kHome)
        kind.icon = SHICON_HOME;
    else if (at.virtualName == CShellNamespace::kDocuments)
        kind.icon = SHICON_DOCUMENTS;
    else if (at.kind == ShellLocation::Computer)
        kind.icon = SHICON_COMPUTER;
    else if (at.leafKind == SHITEM_MOUNT)
        kind.icon = SHICON_DRIVE;
    else if (readable && (attributes & SFGAO_FOLDER))
        kind.icon = SHICON_FOLDER;
    else
        kind.fileName = at.leafName;
    Fill(kind, psfi, flags);
    if (flags & SHGFI_DISPLAYNAME)
        psfi->szDisplayName = CShellNamespace::DisplayName(at).value_or(std::string());
    return true;
}

bool SHGetFileInfo(const std::string& path, DWORD fileAttributes, SHFILEINFO* psfi, UINT flags) {
    if (!psfi)
        return false;
    if (!(flags & SHGFI_USEFILEATTRIBUTES)) {
        const std::optional<std::string> items = CShellNamespace::Process().Parse(path);
        if (!items)
            return false;
        const PidlPtr pidl(ILFromItemBytes(*items));
        return pidl && SHGetFileInfo(pidl.get(), psfi, flags);
    }
    ItemKind kind;
    if (fileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        kind.icon = SHICON_FOLDER;
    else
        kind.fileName = path.substr(path.rfind('/') + 1);
    Fill(kind, psfi, flags);
    if (flags & SHGFI_DISPLAYNAME)
        psfi->szDisplayName = ToValidUtf8(kind.fileName);
    return true;
}

std::string ShellIconMimeType(int index) {
    return FileTypes().NameOf(index);
}

HRESULT SHGetSpecialFolderLocation(int csidl, LPITEMIDLIST* ppidl) {
    if (!ppidl)
        return E_INVALIDARG;
    *ppidl = nullptr;
    std::string items;
    switch (csidl) {
    case CSIDL_DESKTOP:
        break;
    case CSIDL_DRIVES:
        ILAppendItem(items, SHITEM_VIRTUAL, CShellNamespace::kComputer);
        break;
    case CSIDL_PERSONAL:
        ILAppendItem(items, SHITEM_VIRTUAL, CShellNamespace::kDocuments);
        break;
    case CSIDL_CONTROLS:
        ILAppendItem(items, SHITEM_VIRTUAL, CShellNamespace::kControls);
        break;
    default:
        return E_INVALIDARG;
    }
    *ppidl = ILFromItemBytes(items);
    return *ppidl ? S_OK : E_OUTOFMEMORY;
}

} // namespace plat
