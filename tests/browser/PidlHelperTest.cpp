// CPidlHelper's list operations on lists of plain entries, null and empty lists included.
// (Its parsing limit is met where a person types: the address box's tests.)
#include "app/browser/PidlHelper.h"
#include "platform/shell/ShellInfo.h"

#include <gtest/gtest.h>

using namespace plat;

namespace {

// A list of one-letter entries: "abc" has three; "" is the empty list; "-" stands for null.
PidlPtr Make(const std::string& list) {
    std::string items;
    for (const char name : list)
        ILAppendItem(items, SHITEM_ENTRY, std::string(1, name));
    return list == "-" ? nullptr : PidlPtr(ILFromItemBytes(items));
}

std::string Read(LPCITEMIDLIST pidl) {
    std::string list = pidl ? "" : "-";
    for (const ShellItem& item : pidl ? ILSplit(pidl) : std::vector<ShellItem>{})
        list += item.name;
    return list;
}

TEST(PidlHelper, ListOperations) {
    const CPidlHelper shell;
    // Combine(a, b), Clone(a), CloneItem(a, n), CloneFirst(a, n).
    const std::tuple<char, int, const char*, const char*, const char*> cases[] = {
        {'+', 0, "ab", "c", "abc"}, {'+', 0, "-", "cd", "cd"}, {'+', 0, "ab", "-", "ab"},
        {'+', 0, "-", "-", "-"},    {'+', 0, "", "", ""},      {'=', 0, "ab", "", "ab"},
        {'=', 0, "", "", ""},       {'=', 0, "-", "", "-"},    {'i', 0, "abc", "", "a"},
        {'i', 1, "abc", "", "a"},   {'i', 3, "abc", "", "c"},  {'i', 7, "abc", "", "c"},
        {'i', 1, "", "", "-"},      {'i', 0, "-", "", "-"},    {'f', 2, "abc", "", "ab"},
        {'f', 9, "abc", "", "abc"}, {'f', 0, "abc", "", "-"},  {'f', 1, "", "", "-"},
        {'f', 1, "-", "", "-"},
    };
    for (const auto& [op, n, a, b, expected] : cases) {
        const PidlPtr first = Make(a), second = Make(b);
        const PidlPtr result = op == '+'   ? shell.Combine(first.get(), second.get())
                               : op == '=' ? shell.Clone(first.get())
                               : op == 'i' ? shell.CloneItem(first.get(), static_cast<unsigned>(n))
                                           : shell.CloneFirst(first.get(), n);
        EXPECT_EQ(Read(result.get()), expected) << op << n << " " << a << " " << b;
        EXPECT_EQ(CPidlHelper::GetSize(result.get()), CPidlHelper::GetSize(Make(expected).get()))
            << op << n << " " << a << " " << b;
    }
}

TEST(PidlHelper, Comparisons) {
    const CPidlHelper shell;
    const PidlPtr abc = Make("abc"), ab = Make("ab"), abd = Make("abd"), empty = Make("");
    // CompareBytes and CompareIds agree on plain entries; a null list compares equal.
    const std::tuple<LPCITEMIDLIST, LPCITEMIDLIST, int> cases[] = {
        {abc.get(), abc.get(), 0},    {nullptr, abc.get(), 0},  {abc.get(), nullptr, 0},
        {ab.get(), abc.get(), -1},    {abc.get(), ab.get(), 1}, {abd.get(), abc.get(), 1},
        {empty.get(), abc.get(), -1},
    };
    for (const auto& [a, b, order] : cases) {
        EXPECT_EQ(CPidlHelper::CompareBytes(a, b), order) << Read(a) << " " << Read(b);
        EXPECT_EQ(shell.CompareIds(nullptr, a, b), order) << Read(a) << " " << Read(b);
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

} // namespace
