#pragma once
// CFolderRows: the rows of one folder as the browser lists them, without any view: the
// folder's sub-folders and those of its files that are pictures, hidden ones included (the
// Control Panel left out), a ".." row to the parent where the folder has one, their order, and
// which pictures are marked. Views show these rows; the one that navigates lists a folder.
//
// The order: ".." first, then folders before pictures, each by the sort column (name, size,
// type, time: columns 0 to 3) one way or the other; names and types compare as bytes, so "Z"
// comes before "a". Inside Computer the shell's order holds whatever the sort says. A listing
// is unsorted until Sort() runs; the sort asked last stays for the next folder.
//
// Only picture rows can be marked: a folder row (".." too) stays unmarked whatever is asked.
// The count and the bytes of the marked pictures are kept as the marks change.
//
// Used on the user-interface thread only.
#include "app/model/FileListItem.h"
#include "platform/shell/PidlHelper.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct FolderRow {
    std::unique_ptr<FileListItem> item;
    int image = 0; // the entry's icon in the system image lists
    bool checked = false;
};

struct FolderSort {
    int column = 0;
    bool ascending = true;
    bool operator==(const FolderSort&) const = default;
};

class CFolderRows {
  public:
    // What the ".." row shows: the folder icon and the folder type's name.
    void SetUpRowLook(int image, std::string typeName);

    // Lists a folder (null: the desktop), unsorted, and keeps no mark; pidl is borrowed. Who
    // navigates keeps the folder: the rows know only whether it is Computer.
    void List(plat::LPCITEMIDLIST pidl);
    void Clear();

    int Count() const { return static_cast<int>(m_rows.size()); }
    // Null for a row that is not there.
    const FileListItem* Item(int row) const;
    int Image(int row) const { return Has(row) ? At(row).image : 0; }
    bool Checked(int row) const { return Has(row) && At(row).checked; }
    // The row of an entry's exact path; -1 when none has it ("" has none).
    int RowOfPath(const std::string& path) const;

    // Sets one row's mark; false when nothing changed (the same mark, a folder row, no row).
    bool SetCheck(int row, bool checked);
    // Every picture row marked, none, or each one the other way; the first and last rows that
    // changed, {-1, -1} when none did.
    enum class MarkChange { All, None, Invert };
    std::pair<int, int> ChangeMarks(MarkChange change);
    // The marked pictures' paths, in row order.
    std::vector<std::string> MarkedPaths() const;
    int MarkedCount() const { return m_nMarked; }
    std::uint64_t MarkedBytes() const { return m_nMarkedBytes; }

    const FolderSort& GetSort() const { return m_sort; }
    // Orders the rows by `sort` (stable: equal rows keep their order), marks moving with their
    // rows; returns where each row went (result[old row] is its new row).
    std::vector<int> Sort(const FolderSort& sort);

  private:
    bool Has(int row) const { return row >= 0 && row < Count(); }
    const FolderRow& At(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    FolderRow& At(int row) { return m_rows[static_cast<std::size_t>(row)]; }
    static bool CanMark(const FolderRow& row) { return !row.item->m_bFolder; }
    void Mark(FolderRow& row, bool checked);
    // The entry of one item of `folder`, or null when the list leaves it out.
    std::unique_ptr<FileListItem> ReadEntry(plat::IShellFolder* folder, plat::LPCITEMIDLIST parent,
                                            plat::LPCITEMIDLIST item, int& image) const;
    // The path, size and time of one entry.
    void ReadFileFacts(FileListItem& item) const;
    // Negative when a goes before b.
    int Compare(const FileListItem& a, const FileListItem& b) const;

    plat::CPidlHelper m_shell;
    std::vector<FolderRow> m_rows;
    FolderSort m_sort;
    bool m_bShellOrder = false; // the rows are Computer's
    int m_nUpImage = 0;
    std::string m_strUpType;
    int m_nMarked = 0;
    std::uint64_t m_nMarkedBytes = 0;
};
