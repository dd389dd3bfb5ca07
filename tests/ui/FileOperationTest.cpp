// Copy and move into a folder driven as the Copy To and Move To commands run them, on real
// files: the questions and messages answered with mouse clicks, the folders read back. Where
// this process may mount (root), a small file system of its own stands in for a second disk,
// a full one or a read-only one.
#include "platform/ui/FileOperation.h"
#include "platform/ui/MessageBox.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QWindow>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <ranges>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using plat::FO_COPY;
using plat::FO_MOVE;

std::vector<std::string> Words(const std::string& text, const std::string& separator = " ") {
    std::vector<std::string> words;
    for (const auto word : std::views::split(text, separator))
        words.emplace_back(word.begin(), word.end());
    return words;
}

// `text` holds the pieces of `pattern` between its ".*" wildcards, in order.
bool Matches(const std::string& text, const std::string& pattern) {
    std::size_t at = 0;
    for (const std::string& piece : Words(pattern, ".*"))
        if ((at = text.find(piece, at)) == std::string::npos)
            return false;
        else
            at += piece.size();
    return true;
}

// A folder as "name=content ..." in name order: a folder's content is "/", a file larger than
// 64 bytes shows its size ("#3145728"), our temporary files show like any other.
std::string Contents(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = entry.is_directory() ? "/"
                                                  : entry.file_size() > 64
                                                      ? "#" + std::to_string(entry.file_size())
                                                      : vtltest::ReadFile(entry.path().string());
    std::string text;
    for (const auto& [name, content] : files)
        text += (text.empty() ? "" : " ") + name + "=" + content;
    return text;
}

// Clicks the button ("_" for a blank in its text); a window without it is failed and closed,
// so that nothing hangs.
void ClickButton(QWidget* window, const std::string& text) {
    for (auto* button : window->findChildren<QAbstractButton*>())
        if (button->isVisible() &&
            button->text().remove('&') == QString::fromStdString(text).replace('_', ' ')) {
            QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                              button->mapTo(window, button->rect().center()));
            return;
        }
    ADD_FAILURE() << "no button " << text;
    QTest::keyClick(window, Qt::Key_Escape);
}

// Each row is one operation on fresh folders: "from" holds a.jpg ("A", mode 0754, modified at
// kTime), b.jpg ("B"), big.bin (3 MiB) and huge.bin (256 MiB, sparse); "to" holds `before`
// ("name=content"; "/" makes a folder, "@" a hard link to the source of that name). The person
// gives `answers` in turn; afterwards both folders are read back, the messages matched, and
// whatever a.jpg became in "to" must carry its source's mode and time (a move on one file
// system is the very same file).
TEST(FileOperation, EachFileGoesWhereTheUserSaidAndNothingIsLost) {
    enum Where { Plain, OwnFolder, Missing, ReadOnly, SizeLimit, SmallDisk, OtherDisk };
    // The sources; the destination before; the person's answers in turn (button texts, "_" for
    // a blank); the destination afterwards, and the sources gone from their folder; patterns
    // of the questions and messages (".*" for any text), in turn, each " ; " where one ends.
    struct Case {
        unsigned op;
        const char *sources, *before, *answers, *after, *gone, *said;
        Where where = Plain;
        int progressShown = -1; // the progress dialogs cancelled (Plain: delay 0); -1 not asked
    };
    const Case cases[] = {
        {FO_COPY, "a.jpg b.jpg", "", "", "a.jpg=A b.jpg=B", "", ""},
        {FO_MOVE, "a.jpg b.jpg", "", "", "a.jpg=A b.jpg=B", "a.jpg b.jpg", ""},
        // Clashes answered No, Yes to All, Cancel (Yes: the last row); a move answered No keeps its
        // source.
        {FO_COPY, "a.jpg b.jpg", "a.jpg=old", "No", "a.jpg=old b.jpg=B", "", "\"a.jpg\""},
        {FO_COPY, "a.jpg b.jpg", "a.jpg=old b.jpg=old", "Yes_to_All", "a.jpg=A b.jpg=B", "",
         "\"a.jpg\""},
        {FO_COPY, "a.jpg b.jpg", "a.jpg=old b.jpg=old", "Cancel", "a.jpg=old b.jpg=old", "",
         "\"a.jpg\""},
        {FO_MOVE, "a.jpg b.jpg", "a.jpg=old", "No", "a.jpg=old b.jpg=B", "b.jpg", "\"a.jpg\""},
        // A vanished source is named and the rest goes on, or the person cancels there.
        {FO_COPY, "a.jpg gone.jpg b.jpg", "", "OK", "a.jpg=A b.jpg=B", "",
         "Cannot copy \".*/gone.jpg\" to .*: No such file or directory.*Press OK to go on"},
        {FO_MOVE, "gone.jpg a.jpg", "", "Cancel", "", "", "Cannot move .*gone.jpg"},
        // A folder of the same name; the source itself under another name; its own folder; a
        // folder that is not there.
        {FO_COPY, "a.jpg b.jpg", "a.jpg=/", "OK", "a.jpg=/ b.jpg=B", "",
         "a folder named \"a.jpg\""},
        {FO_MOVE, "a.jpg", "a.jpg=@", "OK", "a.jpg=A", "",
         "Cannot move .*a.jpg.*is that same file"},
        {FO_COPY, "a.jpg", "", "OK", "", "", "a.jpg.*already in that folder", OwnFolder},
        {FO_MOVE, "a.jpg", "", "OK", "", "", "there is no such folder", Missing},
        // Another file system; no write permission; the file size limit; a full file system.
        {FO_MOVE, "a.jpg b.jpg", "", "", "a.jpg=A b.jpg=B", "a.jpg b.jpg", "", OtherDisk},
        {FO_COPY, "a.jpg b.jpg", "", "OK OK", "", "",
         "Cannot copy .*a.jpg.*Press OK to go on.* ; Cannot copy .*b.jpg", ReadOnly},
        {FO_MOVE, "a.jpg b.jpg", "", "OK OK", "", "", "Cannot move .*a.jpg.* ; Cannot move .*b.jpg",
         ReadOnly},
        {FO_COPY, "big.bin b.jpg", "big.bin=old", "Yes OK", "b.jpg=B big.bin=old", "",
         "\"big.bin\".* ; Cannot copy .*big.bin.*File too large", SizeLimit},
        {FO_MOVE, "big.bin b.jpg", "", "OK", "b.jpg=B", "b.jpg",
         "Cannot move .*big.bin.*No space left on device", SmallDisk},
        // A long copy cancelled keeps the file it was to replace.
        {FO_COPY, "huge.bin b.jpg", "huge.bin=old", "Yes", "huge.bin=old", "", "\"huge.bin\"",
         Plain, 1},
    };
    const timespec times[2] = {{0, UTIME_OMIT}, {978307200, 123456789}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sources) + ", " + c.before + ", " + c.answers);
        const std::string from = vtltest::MakeTempDir("from");
        const std::string to = vtltest::MakeTempDir("to");
        vtltest::WriteFile(from + "/a.jpg", "A");
        vtltest::WriteFile(from + "/b.jpg", "B");
        vtltest::WriteFile(from + "/big.bin", std::string(3 << 20, 'x'));
        vtltest::WriteFile(from + "/huge.bin", "");
        fs::resize_file(from + "/huge.bin", std::uintmax_t{256} << 20);
        chmod((from + "/a.jpg").c_str(), 0754);
        utimensat(AT_FDCWD, (from + "/a.jpg").c_str(), times, 0);
        struct stat source {};
        stat((from + "/a.jpg").c_str(), &source);
        for (const std::string& file : Words(c.before)) {
            const std::string name = "/" + file.substr(0, file.find('='));
            const std::string content = file.substr(file.find('=') + 1);
            if (content == "/")
                fs::create_directory(to + name);
            else if (content == "@")
                fs::create_hard_link(from + name, to + name);
            else
                vtltest::WriteFile(to + name, content);
        }
        const std::map<Where, std::string> mounts = {
            {ReadOnly, ""}, {SmallDisk, "1m"}, {OtherDisk, "8m"}};
        if (c.where == ReadOnly && geteuid() != 0) {
            chmod(to.c_str(), 0555);
        } else if (mounts.contains(c.where) && !vtltest::MountPrivately(to, mounts.at(c.where))) {
            std::cout << "not run (needs a file system of its own): row " << &c - cases << "\n";
            continue;
        }
        std::vector<std::string> sources;
        for (const std::string& name : Words(c.sources))
            sources.push_back(from + "/" + name);
        {
            // The person in front of the screen answers each question or message in turn with
            // the next button of `answers`, and keeps their texts
            // in reading order on one line; a progress dialog is counted, and cancelled when
            // asked.
            std::string said;
            int asked = 0, progressShown = 0;
            const auto person = vtltest::OnEveryModal([&](QWidget* window) {
                if (window->findChild<QProgressBar*>()) {
                    if (++progressShown, c.progressShown > 0)
                        ClickButton(window, "Cancel");
                    return;
                }
                QList<QLabel*> labels = window->findChildren<QLabel*>();
                std::ranges::sort(labels, {},
                                  [](QLabel* l) { return l->mapTo(l->window(), QPoint()).y(); });
                QString text;
                for (QLabel* label : labels)
                    text += label->text() + ' ';
                said += (asked++ ? " ; " : "") + text.simplified().toStdString();
                const std::vector<std::string> words = Words(c.answers);
                ClickButton(window, asked <= int(words.size()) ? words[asked - 1] : "(none)");
            });
            plat::CFileOperation operation(c.op, sources,
                                           c.where == OwnFolder ? from
                                           : c.where == Missing ? to + "/missing"
                                                                : to,
                                           plat::AskToGoOnAfter);
            operation.SetProgressDelay(0);
            const vtltest::ScopedFileSizeLimit limit(c.where == SizeLimit ? 1 << 20
                                                                          : RLIM_INFINITY);
            // As the window that runs it does: a destination that is no folder is told.
            if (const auto done = operation.Run(); !done)
                plat::AfxMessageBox(done.error().message);
            EXPECT_EQ(asked, int(Words(c.said, " ; ").size())) << said;
            EXPECT_TRUE(Matches(said, c.said)) << said;
            EXPECT_TRUE(c.progressShown < 0 || progressShown == c.progressShown) << progressShown;
        }
        EXPECT_EQ(Contents(to), c.after);
        std::string left;
        for (const std::string file :
             {"a.jpg=A", "b.jpg=B", "big.bin=#3145728", "huge.bin=#268435456"})
            if (std::ranges::count(Words(c.gone), file.substr(0, file.find('='))) == 0)
                left += (left.empty() ? "" : " ") + file;
        EXPECT_EQ(Contents(from), left);
        struct stat copy {};
        if (stat((to + "/a.jpg").c_str(), &copy) == 0 && S_ISREG(copy.st_mode) &&
            vtltest::ReadFile(to + "/a.jpg") == "A") {
            EXPECT_EQ(std::tuple(copy.st_mode & 07777, copy.st_mtim.tv_sec, copy.st_mtim.tv_nsec),
                      std::tuple(0754u, 978307200, 123456789));
            EXPECT_EQ(copy.st_dev == source.st_dev && copy.st_ino == source.st_ino,
                      c.op == FO_MOVE && c.where == Plain);
        }
        umount2(to.c_str(), MNT_DETACH);
        chmod(to.c_str(), 0755);
    }
}

// The real program, opened on a 4 GiB picture (vtl PATH marks it) and told to copy it into the
// remembered folder: a stop signal in the middle of the copy (a kill, Ctrl+C, a logout) cancels
// it, removes its temporary file and ends the program by that signal, as the resize run does.
TEST(FileOperationStopped, AStopSignalCancelsTheCopyLeavesNothingAndEndsTheProgram) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const std::string from = vtltest::MakeTempDir("from");
        const std::string to = vtltest::MakeTempDir("to");
        const std::string picture = from + "/big.jpg";
        vtltest::WriteFile(picture, "");
        fs::resize_file(picture, std::uintmax_t{4} << 30);
        const std::string registry =
            std::string(std::getenv("XDG_CONFIG_HOME")) + "/vantrel/registry";
        fs::create_directories(registry);
        vtltest::WriteFile(registry + "/HKEY_CURRENT_USER.reg",
                           "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ostrell\\vtl\\setting]\n"
                           "\"cmto\"=\"" +
                               to + "\"\n");
        bool copying = false;
        const vtltest::ProgramRun run =
            vtltest::RunProgram(VTL_BIN_DIR "/vtl", {picture},
                                {{"VTL_AUTOCLICK", "ID_EDIT_COPY,IDOK"}}, 60, [&](int pid) {
                                    const auto start = std::chrono::steady_clock::now();
                                    while (!copying && std::chrono::steady_clock::now() - start <
                                                           std::chrono::seconds(30))
                                        copying = !Contents(to).empty();
                                    kill(pid, signal);
                                });
        EXPECT_TRUE(copying) << "the copy began";
        EXPECT_EQ(run.signal, signal) << run.err;
        EXPECT_EQ(Contents(to), "");
        EXPECT_EQ(fs::file_size(picture), std::uintmax_t{4} << 30);
    }
}

} // namespace
