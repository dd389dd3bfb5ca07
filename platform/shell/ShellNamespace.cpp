#include "platform/shell/ShellNamespace.h"

#include "platform/Utf8.h"

#include <QByteArray>

#include <algorithm>
#include <sys/stat.h>

namespace plat {

namespace {

constexpr std::string_view kVirtualOrder[] = {CShellNamespace::kHome, CShellNamespace::kDocuments,
                                              CShellNamespace::kComputer};

// A name that stays inside its folder.
bool IsEntryName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool IsUnder(const std::string& path, const std::string& root) {
    if (root.empty())
        return false;
    if (root == "/")
        return true;
    return path.rfind(root, 0) == 0 && (path.size() == root.size() || path[root.size()] == '/');
}

int CompareBytes(std::string_view a, std::string_view b) {
    const int c = a.compare(b); // char_traits<char> compares as unsigned char
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::size_t VirtualRank(std::string_view name) {
    return static_cast<std::size_t>(
        std::find(std::begin(kVirtualOrder), std::end(kVirtualOrder), name) -
        std::begin(kVirtualOrder));
}

int CompareItems(const ShellItem& a, const ShellItem& b) {
    if (a.kind != b.kind)
        return a.kind < b.kind ? -1 : 1;
    if (a.kind == SHITEM_VIRTUAL) {
        const std::size_t ra = VirtualRank(a.name);
        const std::size_t rb = VirtualRank(b.name);
        if (ra != rb)
            return ra < rb ? -1 : 1;
    }
    return CompareBytes(a.name, b.name);
}

// The path of a file:// URL on this machine, its percent escapes decoded to bytes; "" for
// any other URL.
std::string PathOfFileUrl(std::string_view url) {
    const std::size_t slash = url.find('/');
    if (slash == std::string_view::npos)
        return {};
    const std::string_view host = url.substr(0, slash);
    if (!host.empty() && host != "localhost")
        return {};
    const std::string_view path = url.substr(slash);
    return QByteArray::fromPercentEncoding(
               QByteArray(path.data(), static_cast<qsizetype>(path.size())))
        .toStdString();
}

} // namespace

CShellNamespace::CShellNamespace(ShellRoots roots,
                                 std::function<std::vector<std::string>()> readMounts)
    : m_bLazy(false), m_readMounts(std::move(readMounts)),
      m_roots(std::make_shared<const ShellRoots>(std::move(roots))) {}

CShellNamespace::CShellNamespace(Lazy) : m_bLazy(true), m_readMounts(ReadMounts) {}

const CShellNamespace& CShellNamespace::Process() {
    static const CShellNamespace process{Lazy{}};
    return process;
}

std::shared_ptr<const ShellRoots> CShellNamespace::Roots() const {
    const std::lock_guard lock(m_lock);
    if (!m_roots)
        m_roots = std::make_shared<const ShellRoots>(ReadShellRoots());
    return m_roots;
}

bool CShellNamespace::RereadMounts() const {
    if (!m_readMounts)
        return false;
    std::vector<std::string> mounts = m_readMounts();
    const std::shared_ptr<const ShellRoots> now = Roots();
    if (mounts == now->mounts)
        return false;
    auto changed = std::make_shared<ShellRoots>(*now);
    changed->mounts = std::move(mounts);
    const std::lock_guard lock(m_lock);
    m_roots = std::move(changed);
    return true;
}

ShellLocation CShellNamespace::Walk(const std::vector<ShellItem>& items) const {
    ShellLocation at;
    at.kind = ShellLocation::Desktop;
    if (items.empty())
        return at; // without reading the roots, so making a desktop folder costs nothing
    const std::shared_ptr<const ShellRoots> snapshot = Roots();
    const ShellRoots& roots = *snapshot;
    for (const ShellItem& item : items) {
        at.leafKind = item.kind;
        at.leafName = item.name;
        const bool entry = item.kind == SHITEM_ENTRY && IsEntryName(item.name);
        if (at.kind == ShellLocation::Desktop && item.kind == SHITEM_VIRTUAL) {
            const std::string* path = item.name == kHome        ? &roots.home
                                      : item.name == kDocuments ? &roots.documents
                                                                : nullptr;
            if (item.name == kComputer) {
                at.kind = ShellLocation::Computer;
            } else if (path && !path->empty()) {
                at.kind = ShellLocation::Path;
                at.path = *path;
            } else {
                return {};
            }
            at.virtualName = item.name;
            continue;
        }
        if (at.kind == ShellLocation::Desktop && entry && !roots.desktop.empty()) {
            at.path = roots.desktop;
        } else if (at.kind == ShellLocation::Computer && item.kind == SHITEM_MOUNT &&
                   NormalizePath(item.name) == item.name) {
            at.path = item.name;
        } else if (at.kind != ShellLocation::Path || !entry) {
            return {};
        }
        if (item.kind == SHITEM_ENTRY) {
            if (at.path.back() != '/')
                at.path += '/';
            at.path += item.name;
        }
        at.kind = ShellLocation::Path;
        at.virtualName.clear();
    }
    return at;
}

ShellLocation CShellNamespace::Resolve(LPCITEMIDLIST pidl) const {
    return pidl ? Walk(ILSplit(pidl)) : ShellLocation{};
}

std::string CShellNamespace::CanonicalItems(const std::string& path) const {
    const std::shared_ptr<const ShellRoots> snapshot = Roots();
    const ShellRoots& roots = *snapshot;
    // The candidates in the order that settles a tie: the root's path and its items.
    struct Candidate {
        const std::string* root;
        std::string items;
    };
    std::vector<Candidate> candidates;
    const auto add = [&](const std::string& root,
                         std::initializer_list<std::pair<BYTE, std::string_view>> items) {
        Candidate candidate{&root, {}};
        for (const auto& [kind, name] : items)
            ILAppendItem(candidate.items, kind, name);
        candidates.push_back(std::move(candidate));
    };
    add(roots.desktop, {});
    add(roots.home, {{SHITEM_VIRTUAL, kHome}});
    add(roots.documents, {{SHITEM_VIRTUAL, kDocuments}});
    for (const std::string& mount : roots.mounts)
        add(mount, {{SHITEM_VIRTUAL, kComputer}, {SHITEM_MOUNT, mount}});
    static const std::string kRoot = "/";
    add(kRoot, {{SHITEM_VIRTUAL, kComputer}, {SHITEM_MOUNT, kRoot}});

    const Candidate* best = nullptr;
    for (const Candidate& candidate : candidates)
        if (IsUnder(path, *candidate.root) &&
            (!best || candidate.root->size() > best->root->size()))
            best = &candidate;
    std::string items = best->items;
    std::size_t start = best->root->size();
    while (start < path.size()) {
        if (path[start] == '/')
            ++start;
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (!ILAppendItem(items, SHITEM_ENTRY, std::string_view(path).substr(start, end - start)))
            return {};
        start = end;
    }
    return items;
}

std::optional<std::string> CShellNamespace::Parse(std::string_view name) const {
    if (name.rfind("::", 0) == 0) {
        const ShellItem folder{SHITEM_VIRTUAL, name.substr(2)};
        if (VirtualRank(folder.name) == std::size(kVirtualOrder) ||
            Walk({folder}).kind == ShellLocation::Invalid)
            return std::nullopt;
        std::string items;
        ILAppendItem(items, SHITEM_VIRTUAL, folder.name);
        return items;
    }
    std::string path;
    if (name == "~" || name.rfind("~/", 0) == 0) {
        const std::string home = Roots()->home;
        if (home.empty())
            return std::nullopt;
        path = home + std::string(name.substr(1));
    } else if (name.rfind("file://", 0) == 0) {
        path = PathOfFileUrl(name.substr(7));
    } else {
        path = name;
    }
    path = NormalizePath(path);
    struct stat st {};
    if (path.empty() || lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return CanonicalItems(path);
}

std::optional<std::string> CShellNamespace::ParsingName(const ShellLocation& at) {
    switch (at.kind) {
    case ShellLocation::Invalid:
        return std::nullopt;
    case ShellLocation::Desktop:
        return std::string();
    default:
        return at.virtualName.empty() ? at.path : "::" + at.virtualName;
    }
}

std::optional<std::string> CShellNamespace::DisplayName(const ShellLocation& at) {
    if (at.kind == ShellLocation::Invalid)
        return std::nullopt;
    return at.kind == ShellLocation::Desktop ? std::string("Desktop") : ToValidUtf8(at.leafName);
}

std::optional<std::string> CShellNamespace::InFolderParsingName(const ShellLocation& at) {
    if (at.kind == ShellLocation::Invalid)
        return std::nullopt;
    if (!at.virtualName.empty())
        return "::" + at.virtualName;
    return std::string(at.leafName);
}

int CShellNamespace::Compare(LPCITEMIDLIST a, LPCITEMIDLIST b) {
    const std::vector<ShellItem> left = ILSplit(a);
    const std::vector<ShellItem> right = ILSplit(b);
    for (std::size_t i = 0; i < left.size() && i < right.size(); ++i)
        if (const int c = CompareItems(left[i], right[i]))
            return c;
    if (left.size() != right.size())
        return left.size() < right.size() ? -1 : 1;
    return 0;
}

HRESULT CShellNamespace::GetAttributes(const ShellLocation& at, ULONG* attributes) {
    if (at.kind == ShellLocation::Invalid || !attributes)
        return E_INVALIDARG;
    if (at.kind != ShellLocation::Path) {
        *attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
        return S_OK;
    }
    struct stat st {};
    if (stat(at.path.c_str(), &st) != 0) {
        // Home, Documents and a mount stay folders even while their folder is away.
        if (at.leafKind != SHITEM_ENTRY) {
            *attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM;
            return S_OK;
        }
        return E_FAIL;
    }
    *attributes = S_ISDIR(st.st_mode) ? SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM
                                      : SFGAO_FILESYSTEM;
    return S_OK;
}

} // namespace plat
