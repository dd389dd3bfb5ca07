#include "platform/shell/ShellFolder.h"

#include "platform/com/RefCounted.h"
#include "platform/shell/ShellMalloc.h"

#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace plat {

namespace {

// A list made of a folder's item bytes and a relative list, with its terminator.
class CAbsoluteList {
  public:
    CAbsoluteList(const std::string& folderItems, LPCITEMIDLIST relative)
        : m_bytes(folderItems + ILItemBytes(relative) + std::string(2, '\0')) {}
    LPCITEMIDLIST get() const { return reinterpret_cast<LPCITEMIDLIST>(m_bytes.data()); }

  private:
    std::string m_bytes;
};

// The items of a virtual folder, then (for a file-system folder) its directory's entries.
class CEnumIDList final : public CRefCounted<IEnumIDList> {
  public:
    CEnumIDList(std::vector<std::string> fixed, DIR* dir, DWORD flags)
        : CRefCounted(IID_IEnumIDList), m_fixed(std::move(fixed)), m_dir(dir), m_flags(flags) {}

    HRESULT Next(ULONG celt, LPITEMIDLIST* rgelt, ULONG* pceltFetched) override {
        if (!rgelt)
            return E_POINTER;
        ULONG fetched = 0;
        std::string items;
        while (fetched < celt && NextItem(items)) {
            rgelt[fetched] = ILFromItemBytes(items);
            if (!rgelt[fetched])
                break;
            ++fetched;
        }
        if (pceltFetched)
            *pceltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }

  private:
    ~CEnumIDList() override {
        if (m_dir)
            closedir(m_dir);
    }

    bool NextItem(std::string& items) {
        items.clear();
        if (m_nextFixed < m_fixed.size()) {
            items = m_fixed[m_nextFixed++];
            return true;
        }
        while (m_dir) {
            const dirent* entry = readdir(m_dir);
            if (!entry)
                return false;
            const std::string_view name = entry->d_name;
            if (name == "." || name == ".." ||
                (name.front() == '.' && !(m_flags & SHCONTF_INCLUDEHIDDEN)))
                continue;
            const int type = EntryType(*entry);
            if (type < 0 || !(m_flags & (type ? SHCONTF_FOLDERS : SHCONTF_NONFOLDERS)))
                continue;
            ILAppendItem(items, SHITEM_ENTRY, name);
            return true;
        }
        return false;
    }

    // 1 a folder, 0 a file or an entry that cannot be read, -1 never listed (FIFO, socket,
    // device). Links are followed without opening their target.
    int EntryType(const dirent& entry) const {
        unsigned char type = entry.d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat st {};
            if (fstatat(dirfd(m_dir), entry.d_name, &st, 0) != 0)
                return 0;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_FIFO;
        }
        return type == DT_DIR ? 1 : type == DT_REG ? 0 : -1;
    }

    std::vector<std::string> m_fixed;
    std::size_t m_nextFixed = 0;
    DIR* m_dir;
    DWORD m_flags;
};

class CShellFolder final : public CRefCounted<IShellFolder> {
  public:
    CShellFolder(const CShellNamespace& space, std::string items)
        : CRefCounted(IID_IShellFolder), m_space(space), m_items(std::move(items)),
          m_at(space.Resolve(CAbsoluteList(m_items, nullptr).get())) {}

    HRESULT ParseDisplayName(const char* name, LPITEMIDLIST* ppidl) override {
        if (!name || !ppidl)
            return E_INVALIDARG;
        *ppidl = nullptr;
        const std::optional<std::string> items = m_space.Parse(name);
        if (!items || items->compare(0, m_items.size(), m_items) != 0)
            return E_INVALIDARG;
        *ppidl = ILFromItemBytes(std::string_view(*items).substr(m_items.size()));
        return *ppidl ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT EnumObjects(DWORD flags, IEnumIDList** ppenum) override {
        if (!ppenum)
            return E_INVALIDARG;
        *ppenum = nullptr;
        const std::shared_ptr<const ShellRoots> snapshot = m_space.Roots();
        const ShellRoots& roots = *snapshot;
        std::vector<std::string> fixed;
        const auto add = [&](BYTE kind, std::string_view name) {
            if (flags & SHCONTF_FOLDERS)
                ILAppendItem(fixed.emplace_back(), kind, name);
        };
        std::string directory;
        switch (m_at.kind) {
        case ShellLocation::Desktop:
            if (!roots.home.empty())
                add(SHITEM_VIRTUAL, CShellNamespace::kHome);
            if (!roots.documents.empty())
                add(SHITEM_VIRTUAL, CShellNamespace::kDocuments);
            add(SHITEM_VIRTUAL, CShellNamespace::kComputer);
            directory = roots.desktop;
            break;
        case ShellLocation::Computer:
            add(SHITEM_MOUNT, "/");
            for (const std::string& mount : roots.mounts)
                add(SHITEM_MOUNT, mount);
            break;
        case ShellLocation::Path:
            directory = m_at.path;
            break;
        case ShellLocation::Invalid:
            return E_FAIL;
        }
        DIR* dir = nullptr;
        if (!directory.empty() && !(dir = opendir(directory.c_str())) &&
            m_at.kind == ShellLocation::Path)
            return E_FAIL;
        *ppenum = new CEnumIDList(std::move(fixed), dir, flags);
        return S_OK;
    }

    HRESULT BindToObject(LPCITEMIDLIST pidl, IShellFolder** ppsf) override {
        if (!pidl || !ppsf)
            return E_INVALIDARG;
        *ppsf = nullptr;
        const CAbsoluteList absolute(m_items, pidl);
        ULONG attributes = 0;
        if (FAILED(CShellNamespace::GetAttributes(m_space.Resolve(absolute.get()), &attributes)) ||
            !(attributes & SFGAO_FOLDER))
            return E_FAIL;
        *ppsf = new CShellFolder(m_space, ILItemBytes(absolute.get()));
        return S_OK;
    }

    HRESULT CompareIDs(LPARAM, LPCITEMIDLIST a, LPCITEMIDLIST b) override {
        if (!a || !b)
            return E_INVALIDARG;
        // Both lists lie in this folder, so their common prefix compares equal: the relative
        // lists order as the absolute ones.
        const int order = CShellNamespace::Compare(a, b);
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0,
                            static_cast<USHORT>(static_cast<std::int16_t>(order)));
    }

    HRESULT GetAttributesOf(UINT cidl, LPCITEMIDLIST* apidl, ULONG* rgfInOut) override {
        if (!apidl || !rgfInOut)
            return E_INVALIDARG;
        ULONG shared = ~0u;
        for (UINT i = 0; i < cidl; ++i) {
            ULONG attributes = 0;
            const CAbsoluteList absolute(m_items, apidl[i]);
            if (const HRESULT hr =
                    CShellNamespace::GetAttributes(m_space.Resolve(absolute.get()), &attributes);
                FAILED(hr))
                return hr;
            shared &= attributes;
        }
        *rgfInOut &= shared;
        return S_OK;
    }

    HRESULT GetDisplayNameOf(LPCITEMIDLIST pidl, DWORD flags, char** ppszName) override {
        if (!pidl || !ppszName)
            return E_INVALIDARG;
        *ppszName = nullptr;
        const CAbsoluteList absolute(m_items, pidl);
        const ShellLocation at = m_space.Resolve(absolute.get());
        std::optional<std::string> name;
        if (flags & SHGDN_FORPARSING)
            name = (flags & SHGDN_INFOLDER) ? CShellNamespace::InFolderParsingName(at)
                                            : CShellNamespace::ParsingName(at);
        else
            name = CShellNamespace::DisplayName(at);
        if (!name)
            return E_INVALIDARG;
        IMalloc* malloc = nullptr;
        SHGetMalloc(&malloc);
        *ppszName = static_cast<char*>(malloc->Alloc(name->size() + 1));
        malloc->Release();
        if (!*ppszName)
            return E_OUTOFMEMORY;
        std::memcpy(*ppszName, name->c_str(), name->size() + 1);
        return S_OK;
    }

  private:
    const CShellNamespace& m_space;
    const std::string m_items; // this folder's absolute list, without terminator
    const ShellLocation m_at;
};

} // namespace

HRESULT SHGetDesktopFolderOf(const CShellNamespace& space, IShellFolder** ppshf) {
    if (!ppshf)
        return E_INVALIDARG;
    *ppshf = new CShellFolder(space, {});
    return S_OK;
}

HRESULT SHGetDesktopFolder(IShellFolder** ppshf) {
    return SHGetDesktopFolderOf(CShellNamespace::Process(), ppshf);
}

} // namespace plat
