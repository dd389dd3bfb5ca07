#pragma once
// CShellNamespace: what our item lists mean. The tree is
//   Desktop (the empty list)
//     Home         the user's home folder
//     Documents    the XDG Documents folder
//     Computer     "/" first, then each mounted file system a user sees
//     the entries of the user's desktop folder, as on Windows
// and below any folder its directory entries. There is no Control Panel.
//
// Every path has one canonical list, the one Parse gives: the longest of the prefixes
// desktop folder, Home, Documents, a mount, "/" decides where it hangs (on a tie in that
// order), so ~/Pictures/x is Home > Pictures > x and /media/usb/a is Computer > /media/usb > a.
// Lists reached by walking down from "/" name the same folders by another way; both work.
//
// Names on Linux are bytes: an entry keeps its exact bytes in its item and in its path; only
// its display name shows a name that is not valid UTF-8 with replacement characters.
//
// The roots are read at the namespace's first use; the mounts again whenever RereadMounts is
// asked (a card or a stick comes and goes while the program runs). Every question is answered
// from one whole set of roots, taken under a lock, so any thread may use the object.
#include "platform/com/HResult.h"
#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellRoots.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace plat {

using ULONG = std::uint32_t;

// Attribute flags with the Windows values.
enum : ULONG {
    SFGAO_FOLDER = 0x20000000,
    SFGAO_FILESYSTEM = 0x40000000,
    // Advisory, as Windows allows: set for every folder without reading it.
    SFGAO_HASSUBFOLDER = 0x80000000,
};

// Where a list leads. leafName views the list's memory: it is valid while the list lives.
struct ShellLocation {
    enum Kind { Invalid, Desktop, Computer, Path } kind = Invalid;
    // Path: the absolute file-system path, exact bytes.
    std::string path;
    // When the list ends in a virtual folder: "Home", "Documents" or "Computer".
    std::string virtualName;
    // The kind and name of the last item; 0 and "" for the desktop.
    BYTE leafKind = 0;
    std::string_view leafName;
};

class CShellNamespace {
  public:
    // Fixed roots; readMounts, when given, is what RereadMounts reads the mounts from.
    explicit CShellNamespace(ShellRoots roots,
                             std::function<std::vector<std::string>()> readMounts = {});
    CShellNamespace(const CShellNamespace&) = delete;
    CShellNamespace& operator=(const CShellNamespace&) = delete;

    // The namespace of this process; its roots are read when first needed, its mounts again by
    // RereadMounts (ReadMounts).
    static const CShellNamespace& Process();

    // The roots as they are now; a later RereadMounts leaves this set alone.
    std::shared_ptr<const ShellRoots> Roots() const;
    // Reads the mounts again. True when they changed: a path's canonical list may then differ
    // from the one it had (a folder on a new mount now hangs under it).
    bool RereadMounts() const;

    // Where a list leads; the questions below are asked of what it resolved to, so a caller
    // with several questions walks the list once.
    ShellLocation Resolve(LPCITEMIDLIST pidl) const;

    // The canonical item bytes of a name: an absolute path of something that exists, "~" or
    // "~/…", a file:// URL of this machine, or a virtual folder's "::" name. Nothing for any
    // other text (a relative path among them).
    std::optional<std::string> Parse(std::string_view name) const;

    // "" for the desktop, "::Name" for a virtual folder, else the path.
    static std::optional<std::string> ParsingName(const ShellLocation& at);
    // What a person reads: "Desktop", a virtual folder's name, a mount's path, an entry's name.
    static std::optional<std::string> DisplayName(const ShellLocation& at);
    // The relative parsing name of the last item: its name bytes, a mount's path, "::Name".
    static std::optional<std::string> InFolderParsingName(const ShellLocation& at);

    // Virtual folders in their fixed order (Home, Documents, Computer), then mounts ("/"
    // first, then by path), then entries by name bytes; item by item, a shorter list first.
    static int Compare(LPCITEMIDLIST a, LPCITEMIDLIST b);

    // SFGAO_… flags of what the list names. Fails for an entry whose file cannot be read
    // (vanished, no permission, a symlink loop or a broken link).
    static HRESULT GetAttributes(const ShellLocation& at, ULONG* attributes);

    // The virtual folders of the desktop, in their order.
    static constexpr std::string_view kHome = "Home";
    static constexpr std::string_view kDocuments = "Documents";
    static constexpr std::string_view kComputer = "Computer";
    // The Control Panel's stand-in: a virtual name that no folder lists or parses.
    static constexpr std::string_view kControls = "Controls";

  private:
    struct Lazy {};
    explicit CShellNamespace(Lazy);

    ShellLocation Walk(const std::vector<ShellItem>& items) const;
    std::string CanonicalItems(const std::string& path) const;

    const bool m_bLazy;
    const std::function<std::vector<std::string>()> m_readMounts;
    mutable std::mutex m_lock;
    mutable std::shared_ptr<const ShellRoots> m_roots; // null until a lazy namespace reads them
};

} // namespace plat
