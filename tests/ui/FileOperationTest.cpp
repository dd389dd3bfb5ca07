// Copy and move into a folder driven as the Copy To and Move To commands run them, on real
// files: the questions and messages answered with mouse clicks, the folders read back. Where
// this process may mount (root), a small file system of its own stands in for a second disk,
// a full one or a read-only one.
#include "platform/ui/FileOperation.h"
#include "platform/ReplaceFile.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QWindow>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using plat::FO_COPY;
using plat::FO_MOVE;
using Files = std::map<std::string, std::string>;

constexpr const char* kFolder = "<folder>";
constexpr const char* kHardLink = "<hard link to the source>";

// A folder's entries with their contents (a folder as kFolder, a large file by its size), our
// temporary files included.
Files Contents(const std::string& folder) {
    Files files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string& content = files[entry.path().filename().string()];
        if (entry.is_directory())
            content = kFolder;
        else if (entry.file_size() > 64)
            content = std::to_string(entry.file_size()) + " bytes";
        else
            content = vtltest::ReadFile(entry.path().string());
    }
    return files;
}

std::vector<std::string> Split(const std::string& pieces) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t bar; (bar = pieces.find('|', start)) != std::string::npos; start = bar + 1)
        parts.push_back(pieces.substr(start, bar - start));
    parts.push_back(pieces.substr(start));
    return parts;
}

void ClickButton(QWidget* window, const QString& text) {
    for (auto* button : window->findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || button->text().remove('&') != text)
            continue;
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                          button->mapTo(window, button->rect().center()));
        return;
    }
    ADD_FAILURE() << "no button " << text.toStdString();
}

// The person in front of the screen: answers each question or message of an operation, in
// turn, with the next button text of the list, and keeps what each one said. A progress
// dialog is counted, and cancelled when asked. Each answer takes `thinkMs` to give.
class CPerson {
public:
    explicit CPerson(std::vector<QString> answers, bool cancelProgress = false, int thinkMs = 0)
        : m_answers(std::move(answers)), m_bCancelProgress(cancelProgress), m_nThinkMs(thinkMs) {
        WaitForNext();
    }
    ~CPerson() { delete m_pWaiting; }
    CPerson(const CPerson&) = delete;
    CPerson& operator=(const CPerson&) = delete;

    std::vector<std::string> m_said;
    int m_nProgressShown = 0;

private:
    void WaitForNext() {
        m_pWaiting = vtltest::OnNextModal([this](QWidget* window) {
            WaitForNext();
            if (window->findChild<QProgressBar*>()) {
                ++m_nProgressShown;
                if (m_bCancelProgress)
                    ClickButton(window, QStringLiteral("Cancel"));
                return;
            }
            QString said;
            for (auto* label : window->findChildren<QLabel*>())
                said += label->text() + '\n';
            m_said.push_back(said.toStdString());
            if (m_nNext == m_answers.size()) {
                ADD_FAILURE() << "nobody expected: " << said.toStdString();
                QTest::keyClick(window, Qt::Key_Escape);
                return;
            }
            QTest::qWait(m_nThinkMs);
            ClickButton(window, m_answers[m_nNext++]);
        });
    }

    std::vector<QString> m_answers;
    std::size_t m_nNext = 0;
    bool m_bCancelProgress;
    int m_nThinkMs;
    QPointer<QTimer> m_pWaiting;
};

void ExpectSaid(const std::vector<std::string>& said, const std::vector<std::string>& expected) {
    ASSERT_EQ(said.size(), expected.size());
    for (std::size_t i = 0; i < said.size(); ++i)
        for (const std::string& piece : Split(expected[i]))
            EXPECT_NE(said[i].find(piece), std::string::npos)
                << "\"" << piece << "\" not in: " << said[i];
}

// Mounts of this process's own, in a mount namespace of this thread (the operation runs on
// it), which the rest of the machine never sees. Only root may make them.
bool PrivateMountsPossible() {
    static const bool possible = geteuid() == 0 && unshare(CLONE_NEWNS) == 0 &&
                                 mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return possible;
}

class CScratchMount {
public:
    // A tmpfs of `size` on `folder`, or `folder` itself again read-only (`size` empty).
    CScratchMount(const std::string& folder, const std::string& size) : m_strFolder(folder) {
        if (!PrivateMountsPossible())
            return;
        if (!size.empty())
            m_bMounted = mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
        else
            m_bMounted = mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
                         mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                               nullptr) == 0;
    }
    ~CScratchMount() {
        if (m_bMounted)
            umount2(m_strFolder.c_str(), MNT_DETACH);
    }
    CScratchMount(const CScratchMount&) = delete;
    CScratchMount& operator=(const CScratchMount&) = delete;

    bool Mounted() const { return m_bMounted; }

private:
    std::string m_strFolder;
    bool m_bMounted = false;
};

// The largest file this process may write, as a full disk or a quota would stop it.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
};

class FileOperationTest : public testing::Test {
protected:
    void SetUp() override {
        m_strFrom = vtltest::MakeTempDir("from");
        m_strTo = vtltest::MakeTempDir("to");
        vtltest::WriteFile(From("a.jpg"), "A");
        vtltest::WriteFile(From("b.jpg"), "B");
    }

    std::string From(const std::string& name) const { return m_strFrom + "/" + name; }
    std::string To(const std::string& name) const { return m_strTo + "/" + name; }

    void Place(const Files& files) const {
        for (const auto& [name, content] : files) {
            if (content == kFolder)
                fs::create_directory(To(name));
            else if (content == kHardLink)
                fs::create_hard_link(From(name), To(name));
            else
                vtltest::WriteFile(To(name), content);
        }
    }

    std::vector<std::string> Sources(const std::vector<std::string>& names) const {
        std::vector<std::string> paths;
        for (const std::string& name : names)
            paths.push_back(From(name));
        return paths;
    }

    std::string m_strFrom;
    std::string m_strTo;
};

TEST_F(FileOperationTest, EachFileGoesWhereTheUserSaid) {
    struct Case {
        const char* what;
        unsigned op;
        std::vector<std::string> sources;
        Files before; // in the destination
        std::vector<QString> answers;
        Files after;
        Files left;                        // in the source folder
        std::vector<std::string> said;     // pieces of each question or message, split by '|'
        const char* destination = nullptr; // the destination folder when it is not "to"
    };
    const Files both = {{"a.jpg", "A"}, {"b.jpg", "B"}};
    const Files none;
    const std::vector<Case> cases = {
        {"copy", FO_COPY, {"a.jpg", "b.jpg"}, {}, {}, both, both, {}},
        {"move", FO_MOVE, {"a.jpg", "b.jpg"}, {}, {}, both, none, {}},
        {"a clash answered Yes",
         FO_COPY,
         {"a.jpg", "b.jpg"},
         {{"a.jpg", "old"}},
         {"Yes"},
         both,
         both,
         {"already holds a file named \"a.jpg\"|1 bytes|3 bytes"}},
        {"a clash answered No",
         FO_COPY,
         {"a.jpg", "b.jpg"},
         {{"a.jpg", "old"}},
         {"No"},
         {{"a.jpg", "old"}, {"b.jpg", "B"}},
         both,
         {"\"a.jpg\""}},
        {"Yes to All answers the later clashes",
         FO_COPY,
         {"a.jpg", "b.jpg"},
         {{"a.jpg", "old"}, {"b.jpg", "old"}},
         {"Yes to All"},
         both,
         both,
         {"\"a.jpg\""}},
        {"Cancel at a clash ends the operation",
         FO_COPY,
         {"a.jpg", "b.jpg"},
         {{"a.jpg", "old"}, {"b.jpg", "old"}},
         {"Cancel"},
         {{"a.jpg", "old"}, {"b.jpg", "old"}},
         both,
         {"\"a.jpg\""}},
        {"a move answered No keeps its source",
         FO_MOVE,
         {"a.jpg", "b.jpg"},
         {{"a.jpg", "old"}},
         {"No"},
         {{"a.jpg", "old"}, {"b.jpg", "B"}},
         {{"a.jpg", "A"}},
         {"\"a.jpg\""}},
        {"a move answered Yes replaces",
         FO_MOVE,
         {"a.jpg", "b.jpg"},
         {{"a.jpg", "old"}},
         {"Yes"},
         both,
         none,
         {"\"a.jpg\""}},
        {"a vanished source is named and the rest goes on",
         FO_COPY,
         {"a.jpg", "gone.jpg", "b.jpg"},
         {},
         {"OK"},
         both,
         both,
         {"Cannot copy|gone.jpg|No such file or directory|Press OK to go on"}},
        {"Cancel after a failure stops",
         FO_MOVE,
         {"gone.jpg", "a.jpg"},
         {},
         {"Cancel"},
         {},
         both,
         {"Cannot move|gone.jpg"}},
        {"a folder of the same name is never replaced",
         FO_COPY,
         {"a.jpg", "b.jpg"},
         {{"a.jpg", kFolder}},
         {"OK"},
         {{"a.jpg", kFolder}, {"b.jpg", "B"}},
         both,
         {"a.jpg|a folder named \"a.jpg\""}},
        {"a file onto itself through another name",
         FO_MOVE,
         {"a.jpg"},
         {{"a.jpg", kHardLink}},
         {"OK"},
         {{"a.jpg", "A"}},
         both,
         {"Cannot move|a.jpg|is that same file"}},
        {"into the folder it is in",
         FO_COPY,
         {"a.jpg"},
         {},
         {"OK"},
         {},
         both,
         {"Cannot copy|a.jpg|already in that folder"},
         "from"},
        {"into a folder that does not exist",
         FO_MOVE,
         {"a.jpg"},
         {},
         {"OK"},
         {},
         both,
         {"there is no such folder"},
         "missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        Place(c.before);
        std::string destination = m_strTo;
        if (c.destination)
            destination = std::string(c.destination) == "from" ? m_strFrom : m_strTo + "/missing";
        CPerson person(c.answers);
        plat::CFileOperation(c.op, Sources(c.sources), destination).Run();
        ExpectSaid(person.m_said, c.said);
        // Short operations never flash a progress dialog.
        EXPECT_EQ(person.m_nProgressShown, 0);
        if (!c.destination) {
            EXPECT_EQ(Contents(m_strTo), c.after);
        }
        EXPECT_EQ(Contents(m_strFrom), c.left);
    }
}

// A copy keeps its source's permission bits and modification time, also over a file that had
// others, and so does a move to another file system.
TEST_F(FileOperationTest, CopiesKeepModeAndModificationTime) {
    struct Case {
        const char* what;
        unsigned op;
        Files before;
        const char* scratchSize; // a file system of its own for the destination
    };
    const Case cases[] = {
        {"copy", FO_COPY, {}, nullptr},
        {"copy over a file with other bits", FO_COPY, {{"a.jpg", "old"}}, nullptr},
        {"move to another file system", FO_MOVE, {}, "4m"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        std::optional<CScratchMount> scratch;
        if (c.scratchSize) {
            scratch.emplace(m_strTo, c.scratchSize);
            if (!scratch->Mounted()) {
                std::cout << "not run (needs a file system of its own): " << c.what << "\n";
                continue;
            }
        }
        Place(c.before);
        if (!c.before.empty())
            chmod(To("a.jpg").c_str(), 0600);
        chmod(From("a.jpg").c_str(), 0754);
        const timespec times[2] = {{0, UTIME_OMIT}, {978307200, 123456789}};
        utimensat(AT_FDCWD, From("a.jpg").c_str(), times, 0);
        struct stat source {};
        stat(From("a.jpg").c_str(), &source);

        CPerson person({"Yes"});
        plat::CFileOperation(c.op, {From("a.jpg")}, m_strTo).Run();
        struct stat copy {};
        ASSERT_EQ(stat(To("a.jpg").c_str(), &copy), 0);
        EXPECT_EQ(copy.st_mode & 07777, 0754u);
        EXPECT_EQ(copy.st_mtim.tv_sec, 978307200);
        EXPECT_EQ(copy.st_mtim.tv_nsec, 123456789);
        EXPECT_EQ(vtltest::ReadFile(To("a.jpg")), "A");
        if (c.scratchSize) {
            EXPECT_NE(copy.st_dev, source.st_dev);
            EXPECT_FALSE(fs::exists(From("a.jpg")));
        }
    }
}

// The time a person takes over a question is not time the operation ran: a short copy
// after a slow answer shows no progress dialog.
TEST_F(FileOperationTest, ASlowAnswerBringsNoProgress) {
    Place({{"a.jpg", "old"}});
    CPerson person({"Yes"}, false, 1200);
    plat::CFileOperation(FO_COPY, {From("a.jpg"), From("b.jpg")}, m_strTo).Run();
    EXPECT_EQ(person.m_said.size(), 1u);
    EXPECT_EQ(person.m_nProgressShown, 0);
    EXPECT_EQ(Contents(m_strTo), (Files{{"a.jpg", "A"}, {"b.jpg", "B"}}));
}

// A move on one file system renames: the file in the destination is the very same file.
TEST_F(FileOperationTest, MoveOnOneFileSystemRenames) {
    struct stat before {};
    stat(From("a.jpg").c_str(), &before);
    plat::CFileOperation(FO_MOVE, {From("a.jpg")}, m_strTo).Run();
    struct stat after {};
    ASSERT_EQ(stat(To("a.jpg").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_FALSE(fs::exists(From("a.jpg")));
}

// Destinations that cannot take the files, and a cancelled long copy: the user is told which
// file failed, no source is lost, no half-written target or temporary file is left, and a
// target the user agreed to replace stays as it was.
TEST_F(FileOperationTest, FailuresLoseNothing) {
    enum class Where { ReadOnly, FileSizeLimit, SmallFileSystem, Plain };
    struct Case {
        const char* what;
        Where where;
        unsigned op;
        std::vector<std::string> sources;
        Files before;
        std::vector<QString> answers;
        Files after;
        Files left;
        std::vector<std::string> said;
        bool cancelProgress = false;
    };
    const std::string big(3 << 20, 'x');
    const Files all = {{"a.jpg", "A"},
                       {"b.jpg", "B"},
                       {"big.bin", "3145728 bytes"},
                       {"huge.bin", "268435456 bytes"}};
    Files allButB = all;
    allButB.erase("b.jpg");
    const std::vector<Case> cases = {
        {"copy into a folder without write permission",
         Where::ReadOnly,
         FO_COPY,
         {"a.jpg", "b.jpg"},
         {},
         {"OK", "OK"},
         {},
         all,
         {"Cannot copy|a.jpg|Press OK to go on", "Cannot copy|b.jpg"}},
        {"move into a folder without write permission",
         Where::ReadOnly,
         FO_MOVE,
         {"a.jpg", "b.jpg"},
         {},
         {"OK", "OK"},
         {},
         all,
         {"Cannot move|a.jpg", "Cannot move|b.jpg"}},
        {"copy over a file past the file size limit",
         Where::FileSizeLimit,
         FO_COPY,
         {"big.bin", "b.jpg"},
         {{"big.bin", "old"}},
         {"Yes", "OK"},
         {{"big.bin", "old"}, {"b.jpg", "B"}},
         all,
         {"\"big.bin\"", "Cannot copy|big.bin|File too large"}},
        {"move onto a full file system",
         Where::SmallFileSystem,
         FO_MOVE,
         {"big.bin", "b.jpg"},
         {},
         {"OK"},
         {{"b.jpg", "B"}},
         allButB,
         {"Cannot move|big.bin|No space left on device"}},
        {"a long copy cancelled keeps the file it was to replace",
         Where::Plain,
         FO_COPY,
         {"huge.bin", "b.jpg"},
         {{"huge.bin", "old"}},
         {"Yes"},
         {{"huge.bin", "old"}},
         all,
         {"\"huge.bin\""},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        vtltest::WriteFile(From("big.bin"), big);
        vtltest::WriteFile(From("huge.bin"), "");
        fs::resize_file(From("huge.bin"), std::uintmax_t{256} << 20);
        Place(c.before);

        std::optional<CScratchMount> scratch;
        std::optional<CFileSizeLimit> limit;
        if (c.where == Where::ReadOnly && geteuid() != 0)
            chmod(m_strTo.c_str(), 0555);
        else if (c.where == Where::ReadOnly || c.where == Where::SmallFileSystem)
            scratch.emplace(m_strTo, c.where == Where::SmallFileSystem ? "1m" : "");
        if (scratch && !scratch->Mounted()) {
            std::cout << "not run (needs a file system of its own): " << c.what << "\n";
            continue;
        }
        {
            CPerson person(c.answers, c.cancelProgress);
            plat::CFileOperation operation(c.op, Sources(c.sources), m_strTo);
            operation.SetProgressDelay(0);
            if (c.where == Where::FileSizeLimit)
                limit.emplace(rlim_t{1} << 20);
            operation.Run();
            limit.reset();
            ExpectSaid(person.m_said, c.said);
            if (c.cancelProgress) {
                EXPECT_EQ(person.m_nProgressShown, 1);
            }
        }
        EXPECT_EQ(Contents(m_strTo), c.after);
        EXPECT_EQ(Contents(m_strFrom), c.left);
        EXPECT_EQ(vtltest::ReadFile(From("big.bin")), big);
        chmod(m_strTo.c_str(), 0755);
    }
}

} // namespace
