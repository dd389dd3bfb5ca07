// A folder's rows without any view: what is listed, the order of every sort with the marks
// moving along, and which rows can be marked.
#include "app/model/FolderRows.h"

#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

// A folder with a sub-folder, a folder named like a picture, three pictures of known sizes and
// ages, and files that are no pictures; listed and ordered by name.
class FolderRowsTest : public testing::Test {
  protected:
    void SetUp() override {
        // Size 0 makes a folder.
        const std::tuple<const char*, std::size_t, int> entries[] = {
            {"sub", 0, 5},     {"album.jpg", 0, 4}, {"A.jpg", 100, 1},   {"b.png", 300, 3},
            {"c.gif", 200, 2}, {"notes.txt", 5, 1}, {"photo.jpgx", 5, 1}};
        for (const auto& [name, size, hoursOld] : entries) {
            if (size)
                vtltest::WriteFile(m_dir + "/" + name, std::string(size, 'x'));
            else
                fs::create_directories(m_dir + "/" + name);
            fs::last_write_time(m_dir + "/" + name,
                                fs::file_time_type::clock::now() - std::chrono::hours(hoursOld));
        }
        ASSERT_TRUE(plat::SUCCEEDED(plat::CPidlHelper().ParsePath(m_dir, m_pidl)));
        m_rows.SetUpRowLook(7, "Folder");
        m_rows.List(m_pidl.get());
        m_rows.Sort({0, true});
    }
    std::string Names(bool marked = false) const {
        std::string names;
        for (int row = 0; row < m_rows.Count(); ++row)
            if (!marked || m_rows.Checked(row))
                names += (names.empty() ? "" : " ") + m_rows.Item(row)->m_strName;
        return names;
    }
    int Row(const std::string& name) const { return m_rows.RowOfPath(m_dir + "/" + name); }

    const std::string m_dir = vtltest::MakeTempDir("rows");
    plat::PidlPtr m_pidl;
    CFolderRows m_rows;
};

TEST_F(FolderRowsTest, EverySortKeepsUpAndFoldersFirstAndTheMarksWithTheirRows) {
    ASSERT_EQ(Names(), ".. album.jpg sub A.jpg b.png c.gif");
    EXPECT_EQ(std::pair(m_rows.Image(0), m_rows.Item(0)->m_strType),
              std::pair(7, std::string("Folder")));
    ASSERT_TRUE(m_rows.SetCheck(Row("b.png"), true));
    const std::pair<FolderSort, const char*> sorts[] = {
        {{0, false}, ".. sub album.jpg c.gif b.png A.jpg"},
        {{1, true}, ".. sub album.jpg A.jpg c.gif b.png"}, // folders, all 0, stay as they were
        {{1, false}, ".. sub album.jpg b.png c.gif A.jpg"},
        {{2, true}, ".. sub album.jpg c.gif A.jpg b.png"},
        {{3, true}, ".. sub album.jpg b.png c.gif A.jpg"},
        {{3, false}, ".. album.jpg sub A.jpg c.gif b.png"},
        {{0, true}, ".. album.jpg sub A.jpg b.png c.gif"}};
    for (const auto& [sort, names] : sorts) {
        SCOPED_TRACE(std::to_string(sort.column) + (sort.ascending ? " ascending" : " descending"));
        const int before = Row("b.png");
        const std::vector<int> moved = m_rows.Sort(sort);
        EXPECT_EQ(std::tuple(Names(), m_rows.GetSort(), moved[static_cast<std::size_t>(before)],
                             Names(true)),
                  std::tuple(names, sort, Row("b.png"), "b.png"));
    }
}

TEST_F(FolderRowsTest, OnlyPicturesAreMarkedAndTheTotalsFollow) {
    using Change = CFolderRows::MarkChange;
    // Rows: 0 "..", 1 album.jpg, 2 sub, 3 A.jpg, 4 b.png, 5 c.gif.
    const auto check = [this](int row, bool on) {
        return [=, this] { return m_rows.SetCheck(row, on) ? "changed" : "same"; };
    };
    const auto change = [this](Change how) {
        return [=, this] {
            const auto [first, last] = m_rows.ChangeMarks(how);
            return std::to_string(first) + "-" + std::to_string(last);
        };
    };
    // Each step, what it answered, then the marked rows, their count and bytes.
    const std::tuple<std::function<std::string()>, const char*, const char*, int, int> steps[] = {
        {check(0, true), "same", "", 0, 0},
        {check(2, true), "same", "", 0, 0},
        {check(4, true), "changed", "b.png", 1, 300},
        {check(4, true), "same", "b.png", 1, 300},
        {change(Change::Invert), "3-5", "A.jpg c.gif", 2, 300},
        {change(Change::All), "4-4", "A.jpg b.png c.gif", 3, 600},
        {change(Change::All), "-1--1", "A.jpg b.png c.gif", 3, 600},
        {check(5, false), "changed", "A.jpg b.png", 2, 400},
        {change(Change::None), "3-4", "", 0, 0},
        {check(99, true), "same", "", 0, 0}};
    for (const auto& [act, answer, marked, count, bytes] : steps) {
        const std::string answered = act(); // before the marks are read
        EXPECT_EQ(
            std::tuple(answered, Names(true), m_rows.MarkedCount(), m_rows.MarkedBytes()),
            std::tuple(std::string(answer), std::string(marked), count, std::uint64_t(bytes)));
    }
    m_rows.ChangeMarks(Change::All);
    EXPECT_EQ(m_rows.MarkedPaths().size(), 3u);
    m_rows.List(m_pidl.get());
    EXPECT_EQ(std::pair(m_rows.MarkedCount(), m_rows.MarkedPaths()),
              std::pair(0, std::vector<std::string>{}))
        << "a new listing starts unmarked";
}

} // namespace
