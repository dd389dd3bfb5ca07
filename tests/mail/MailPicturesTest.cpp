// MailPictures with the real settings object, the real message boxes (answered as a person
// would) and a fake mail program run as a real child process. The mail layer's own rules
// (arguments, spool, exit codes) are tested with the layer.
#include "app/batch/MailPictures.h"

#include "app/core/AppSetting.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;
using vtltest::FakeMailProgram;
using vtltest::MakeTempDir;
using vtltest::ReadFile;

namespace {

using Strings = std::vector<std::string>;

// Runs MailPictures, pressing OK on each message box, and gives the boxes' texts.
Strings RunMailPictures() {
    Strings texts;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            texts.push_back(box->text().toStdString());
            box->button(QMessageBox::Ok)->click();
        }
    });
    timer.start(10);
    MailPictures();
    return texts;
}

// Files named `names` with the content "<what> <name>", in `folder` or, with none, in a
// private folder inside the temporary folder, as a "Resize and mail" run makes them.
Strings Files(const std::string& what, const Strings& names, std::string folder = "") {
    if (folder.empty()) {
        folder = std::string(std::getenv("TMPDIR")) + "/vtl-mail-XXXXXX";
        EXPECT_NE(mkdtemp(folder.data()), nullptr);
    }
    Strings paths;
    for (const std::string& name : names)
        vtltest::WriteFile(paths.emplace_back(folder + "/" + name), what + " " + name);
    return paths;
}

class MailPicturesTest : public testing::Test {
  protected:
    void SetUp() override {
        std::memset(m_setting->m_szMailSubject, 0, sizeof m_setting->m_szMailSubject);
        std::memset(m_setting->m_szMailBody, 0, sizeof m_setting->m_szMailBody);
        m_setting->m_listFiles = m_originals =
            Files("original", {"a.jpg", "b.jpg"}, MakeTempDir("pictures"));
    }
    CAppSetting* const m_setting = GetAppSetting();
    Strings m_originals;
};

TEST_F(MailPicturesTest, MailToAttachesTheMarkedOriginalsAndDeletesNothing) {
    const FakeMailProgram fake;
    fake.Install();
    // A subject that fills its whole field, without the terminating zero, ends at its size.
    std::memset(m_setting->m_szMailSubject, 's', sizeof m_setting->m_szMailSubject);
    EXPECT_EQ(RunMailPictures(), Strings{});
    const Strings attached = fake.AttachedPaths();
    ASSERT_EQ(attached.size(), 2u);
    EXPECT_EQ(fake.Arguments(), (Strings{"--utf8", "--subject", std::string(200, 's'), "--attach",
                                         attached[0], "--attach", attached[1]}));
    EXPECT_EQ(fake.AttachedBytes(), (Strings{"original a.jpg", "original b.jpg"}));
    EXPECT_EQ(ReadFile(m_originals[1]), "original b.jpg");
}

TEST_F(MailPicturesTest, ResizeAndMailAttachesTheRunsCopiesThenDeletesThemWithTheirFolder) {
    const FakeMailProgram fake;
    fake.Install();
    Strings outputs = Files("resized", {"a.jpg", "c.jpg"});
    // b.jpg could not be saved: it is listed but was never written.
    outputs.insert(outputs.begin() + 1, fs::path(outputs[0]).replace_filename("b.jpg"));
    m_setting->m_listMailFiles = outputs;
    EXPECT_EQ(RunMailPictures(), Strings{});
    EXPECT_EQ(fake.AttachedBytes(), (Strings{"resized a.jpg", "resized c.jpg"}));
    EXPECT_FALSE(fs::exists(fs::path(outputs[0]).parent_path()));
    EXPECT_TRUE(m_setting->m_listMailFiles.empty());
    EXPECT_EQ(m_setting->m_listFiles, m_originals);
    // The mail program may read its attachments only when the user presses Send.
    EXPECT_EQ(ReadFile(fake.AttachedPaths()[0]), "resized a.jpg");
}

// Whatever happens to the mail, no copy of the run is left behind; the user's pictures stay.
TEST_F(MailPicturesTest, EachOutcomeShowsItsMessageAndLeavesNoCopy) {
    const std::string programs = MakeTempDir("programs");
    vtltest::WriteFile(programs + "/not-executable", "#!/bin/sh\nexit 0\n");
    chmod((programs + "/not-executable").c_str(), 0600);
    const FakeMailProgram sent("exit 0"), failed("exit 4"), discarded("exit 130");
    const std::pair<std::string, Strings> cases[] = {
        {programs + "/missing", {"Unable to load mail system support."}},
        {programs + "/not-executable", {"Mail system DLL is invalid."}},
        {failed.Path(), {"Send Mail failed to send message."}},
        {discarded.Path(), {}},
        {sent.Path(), {}},
    };
    for (const auto& [command, messages] : cases) {
        SCOPED_TRACE(command);
        setenv("VTL_MAIL_COMMAND", command.c_str(), 1);
        m_setting->m_listMailFiles = Files("resized", {"o.jpg"});
        const fs::path folder = fs::path(m_setting->m_listMailFiles[0]).parent_path();
        EXPECT_EQ(RunMailPictures(), messages);
        EXPECT_FALSE(fs::exists(folder));
        EXPECT_TRUE(m_setting->m_listMailFiles.empty());
        EXPECT_EQ(ReadFile(m_originals[0]), "original a.jpg");
    }
}

TEST_F(MailPicturesTest, TheTemporaryFolderItselfIsNeverRemoved) {
    const FakeMailProgram fake;
    fake.Install();
    const std::string sandboxTemp = std::getenv("TMPDIR");
    const std::string tempFolder = MakeTempDir("empty-tmp");
    setenv("TMPDIR", tempFolder.c_str(), 1);
    m_setting->m_listMailFiles = Files("resized", {"lone.jpg"}, tempFolder);
    EXPECT_EQ(RunMailPictures(), Strings{});
    EXPECT_EQ(fake.AttachedBytes(), Strings{"resized lone.jpg"});
    EXPECT_TRUE(fs::is_empty(tempFolder));
    setenv("TMPDIR", sandboxTemp.c_str(), 1);
}

} // namespace
