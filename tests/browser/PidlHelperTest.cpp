// CPidlHelper's list operations on lists of plain entries, null and empty lists included, and
// its parsing limit on real paths.
#include "app/browser/PidlHelper.h"
#include "platform/shell/ShellInfo.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

using namespace plat;

namespace {

using List =
    std::optional<std::string>; // "a/b/c": three entries; "": the empty list; nullopt: null

PidlPtr Make(const List& list) {
    if (!list)
        return nullptr;
    std::string items;
    for (std::size_t start = 0; start < list->size();) {
        const std::size_t end = std::min(list->find('/', start), list->size());
        ILAppendItem(items, SHITEM_ENTRY, list->substr(start, end - start));
        start = end + 1;
    }
    return PidlPtr(ILFromItemBytes(items));
}

List Read(LPCITEMIDLIST pidl) {
    if (!pidl)
        return std::nullopt;
    std::string list;
    for (const ShellItem& item : ILSplit(pidl))
        list += (list.empty() ? "" : "/") + std::string(item.name);
    return list;
}

TEST(PidlHelper, ListOperations) {
    CPidlHelper shell;
    using Op = std::function<PidlPtr(LPCITEMIDLIST, LPCITEMIDLIST)>;
    const Op combine = [&](LPCITEMIDLIST a, LPCITEMIDLIST b) { return shell.Combine(a, b); };
    const Op clone = [&](LPCITEMIDLIST a, LPCITEMIDLIST) { return shell.Clone(a); };
    const auto item = [&](unsigned n) {
        return Op([&, n](LPCITEMIDLIST a, LPCITEMIDLIST) { return shell.CloneItem(a, n); });
    };
    const auto first = [&](int n) {
        return Op([&, n](LPCITEMIDLIST a, LPCITEMIDLIST) { return shell.CloneFirst(a, n); });
    };
    const struct {
        const char* what;
        Op op;
        List a, b, result;
    } cases[] = {
        {"Combine", combine, "a/b", "c", "a/b/c"},
        {"Combine null a", combine, std::nullopt, "c/d", "c/d"},
        {"Combine null b keeps a terminated", combine, "a/b", std::nullopt, "a/b"},
        {"Combine nulls", combine, std::nullopt, std::nullopt, std::nullopt},
        {"Combine empty", combine, "", "", ""},
        {"Clone", clone, "a/b", {}, "a/b"},
        {"Clone empty", clone, "", {}, ""},
        {"Clone null", clone, std::nullopt, {}, std::nullopt},
        {"CloneItem 0", item(0), "a/b/c", {}, "a"},
        {"CloneItem 1", item(1), "a/b/c", {}, "a"},
        {"CloneItem 3", item(3), "a/b/c", {}, "c"},
        {"CloneItem beyond the count", item(7), "a/b/c", {}, "c"},
        {"CloneItem empty", item(1), "", {}, std::nullopt},
        {"CloneItem null", item(0), std::nullopt, {}, std::nullopt},
        {"CloneFirst 2", first(2), "a/b/c", {}, "a/b"},
        {"CloneFirst stops at the terminator", first(9), "a/b/c", {}, "a/b/c"},
        {"CloneFirst 0", first(0), "a/b/c", {}, std::nullopt},
        {"CloneFirst empty", first(1), "", {}, std::nullopt},
        {"CloneFirst null", first(1), std::nullopt, {}, std::nullopt},
    };
    for (const auto& c : cases) {
        const PidlPtr a = Make(c.a), b = Make(c.b);
        const PidlPtr result = c.op(a.get(), b.get());
        EXPECT_EQ(Read(result.get()), c.result) << c.what;
        if (result) {
            EXPECT_EQ(CPidlHelper::GetSize(result.get()),
                      CPidlHelper::GetSize(Make(c.result).get()))
                << c.what;
        }
    }
}

TEST(PidlHelper, SizesCountsAndComparisons) {
    CPidlHelper shell;
    const PidlPtr abc = Make("a/b/c"), ab = Make("a/b"), abd = Make("a/b/d"), empty = Make("");
    EXPECT_EQ(CPidlHelper::GetSize(nullptr), 0u);
    EXPECT_EQ(CPidlHelper::GetSize(empty.get()), 2u);
    EXPECT_EQ(CPidlHelper::GetSize(abc.get()), 2u + 3 * (3 + 1));
    EXPECT_EQ(CPidlHelper::Count(nullptr), 0u);
    EXPECT_EQ(CPidlHelper::Count(empty.get()), 0u);
    EXPECT_EQ(CPidlHelper::Count(abc.get()), 3u);
    EXPECT_EQ(Read(CPidlHelper::Next(abc.get())), "b/c");
    EXPECT_EQ(CPidlHelper::Next(empty.get()), nullptr);

    const struct {
        const char* what;
        LPCITEMIDLIST a, b;
        int bytes, ids;
    } cases[] = {
        {"same", abc.get(), abc.get(), 0, 0},
        {"null a", nullptr, abc.get(), 0, 0},
        {"null b", abc.get(), nullptr, 0, 0},
        {"shorter first", ab.get(), abc.get(), -1, -1},
        {"longer second", abc.get(), ab.get(), 1, 1},
        {"by the last item", abd.get(), abc.get(), 1, 1},
        {"empty first", empty.get(), abc.get(), -1, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CPidlHelper::CompareBytes(c.a, c.b), c.bytes) << c.what;
        EXPECT_EQ(shell.CompareIds(nullptr, c.a, c.b), c.ids) << c.what;
    }
    // The shell's order of virtual folders comes through sign-extended, not as 65535.
    LPITEMIDLIST documents = nullptr, drives = nullptr;
    SHGetSpecialFolderLocation(CSIDL_PERSONAL, &documents);
    SHGetSpecialFolderLocation(CSIDL_DRIVES, &drives);
    EXPECT_EQ(shell.CompareIds(nullptr, documents, drives), -1);
    EXPECT_EQ(shell.CompareIds(shell.m_pDesktop, drives, documents), 1);
    ILFree(documents);
    ILFree(drives);
}

TEST(PidlHelper, ParseNameTakesNoTextThatWouldNotFitAPath) {
    // Real folders whose paths are 259 and 260 characters long, one of them in two-byte
    // characters: characters count, not bytes.
    const std::string base = vtltest::MakeTempDir("long");
    const auto make = [&](std::size_t characters, const std::string& letter) {
        std::string path = base + "/" + std::string(100, 'x') + "/";
        for (std::size_t count = path.size(); count < characters; ++count)
            path += letter;
        std::filesystem::create_directories(path);
        return path;
    };
    CPidlHelper shell;
    for (const auto& [text, parses] :
         {std::pair(make(259, "a"), true), std::pair(make(259, "\xC3\xA9"), true),
          std::pair(make(260, "b"), false)}) {
        PidlPtr parsed;
        EXPECT_EQ(SUCCEEDED(shell.ParseName(text, parsed, nullptr)), parses)
            << text.size() << " bytes";
        std::string name;
        EXPECT_EQ(parsed &&
                      SUCCEEDED(shell.GetName(parsed.get(), name, nullptr, SHGDN_FORPARSING)) &&
                      name == text,
                  parses);
    }
}

} // namespace
