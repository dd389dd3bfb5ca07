// MailPictures with the real settings object, the real message boxes (answered as a person
// would) and a fake mail program run as a real child process.
#include "app/batch/MailPictures.h"

#include "app/core/AppSetting.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;
using vtltest::FakeMailProgram;
using vtltest::MakeTempDir;
using vtltest::ReadFile;
using vtltest::WriteFile;

namespace {

using Strings = std::vector<std::string>;

// Presses OK on every message box that opens while it lives, and keeps the boxes' texts.
class MessageBoxAnswerer {
  public:
    MessageBoxAnswerer() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            m_texts.push_back(box->text().toStdString());
            box->button(QMessageBox::Ok)->click();
        });
        m_timer.start(10);
    }
    const Strings& Texts() const { return m_texts; }

  private:
    QTimer m_timer;
    Strings m_texts;
};

// Runs MailPictures and gives the texts of the message boxes it showed.
Strings RunMailPictures() {
    MessageBoxAnswerer answerer;
    MailPictures();
    return answerer.Texts();
}

class MailPicturesTest : public testing::Test {
  protected:
    void SetUp() override {
        m_setting = GetAppSetting();
        m_setting->m_listFiles.clear();
        m_setting->m_listMailFiles.clear();
        SetTexts("", "");
    }

    void SetTexts(const std::string& subject, const std::string& body) {
        std::memset(m_setting->m_szMailSubject, 0, sizeof m_setting->m_szMailSubject);
        std::memset(m_setting->m_szMailBody, 0, sizeof m_setting->m_szMailBody);
        subject.copy(m_setting->m_szMailSubject, sizeof m_setting->m_szMailSubject - 1);
        body.copy(m_setting->m_szMailBody, sizeof m_setting->m_szMailBody - 1);
    }

    // The user's own pictures, in a folder of their own.
    static Strings Originals(const Strings& names) {
        const std::string folder = MakeTempDir("pictures");
        Strings paths;
        for (const std::string& name : names) {
            paths.push_back(folder + "/" + name);
            WriteFile(paths.back(), "original " + name);
        }
        return paths;
    }

    // The outputs of a "Resize and mail" run: a private folder inside the temporary folder.
    static Strings RunOutputs(const Strings& names) {
        std::string folder = std::string(std::getenv("TMPDIR")) + "/vtl-mail-XXXXXX";
        EXPECT_NE(mkdtemp(folder.data()), nullptr);
        Strings paths;
        for (const std::string& name : names) {
            paths.push_back(folder + "/" + name);
            WriteFile(paths.back(), "resized " + name);
        }
        return paths;
    }

    static std::string NameOf(const std::string& path) {
        return fs::path(path).filename().string();
    }

    CAppSetting* m_setting = nullptr;
};

TEST_F(MailPicturesTest, MailToAttachesTheMarkedOriginalsAsStoredAndDeletesNothing) {
    const FakeMailProgram fake;
    fake.Install();
    const Strings originals = Originals({"IMG_1.jpg", "IMG_2.png", "scan.bmp"});
    m_setting->m_listFiles = originals;
    const std::string subject = "-\"Summer\" $(touch " + MakeTempDir("trap") + "/ran) 'pics'";
    const std::string body = "Hello,\nhere they are: %F\n`id` \\n done";
    SetTexts(subject, body);

    EXPECT_EQ(RunMailPictures(), Strings{});

    const Strings attached = fake.AttachedPaths();
    ASSERT_EQ(attached.size(), 3u);
    EXPECT_EQ(fake.Arguments(),
              (Strings{"--utf8", "--subject", subject, "--body", body, "--attach", attached[0],
                       "--attach", attached[1], "--attach", attached[2]}));
    for (std::size_t i = 0; i < originals.size(); ++i) {
        EXPECT_EQ(NameOf(attached[i]), NameOf(originals[i]));
        EXPECT_EQ(fake.AttachedBytes()[i], "original " + NameOf(originals[i]));
        EXPECT_EQ(ReadFile(originals[i]), "original " + NameOf(originals[i]));
    }
    EXPECT_EQ(m_setting->m_listFiles, originals);
}

TEST_F(MailPicturesTest, ResizeAndMailAttachesTheRunsCopiesThenDeletesThemWithTheirFolder) {
    const FakeMailProgram fake;
    fake.Install();
    const Strings originals = Originals({"a.jpg", "b.jpg", "c.jpg"});
    Strings outputs = RunOutputs({"a.jpg", "c.jpg"});
    const std::string runFolder = fs::path(outputs[0]).parent_path().string();
    // b.jpg could not be saved: it is listed but was never written.
    outputs.insert(outputs.begin() + 1, runFolder + "/b.jpg");
    m_setting->m_listFiles = originals;
    m_setting->m_listMailFiles = outputs;

    EXPECT_EQ(RunMailPictures(), Strings{});

    const Strings attached = fake.AttachedPaths();
    ASSERT_EQ(attached.size(), 2u);
    EXPECT_EQ(fake.AttachedBytes(), (Strings{"resized a.jpg", "resized c.jpg"}));
    EXPECT_FALSE(fs::exists(runFolder));
    EXPECT_TRUE(m_setting->m_listMailFiles.empty());
    EXPECT_EQ(m_setting->m_listFiles, originals);
    for (const std::string& original : originals)
        EXPECT_TRUE(fs::exists(original));
    // The mail program may read its attachments only when the user presses Send.
    EXPECT_EQ(ReadFile(attached[0]), "resized a.jpg");
    EXPECT_EQ(ReadFile(attached[1]), "resized c.jpg");
}

TEST_F(MailPicturesTest, SubjectAndBodyAreLeftOutWhenEmptyAndPassWholeWhenFull) {
    struct Case {
        const char* what;
        std::string subject;
        std::string body;
        Strings textArguments;
    };
    const std::string fullSubject(sizeof CAppSetting::m_szMailSubject, 's');
    const Case cases[] = {
        {"both empty", "", "", {}},
        {"subject only", "Pictures", "", {"--subject", "Pictures"}},
        {"body only", "", "See attached.", {"--body", "See attached."}},
        {"subject filling its whole field", fullSubject, "", {"--subject", fullSubject}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FakeMailProgram fake;
        fake.Install();
        SetTexts(c.subject, c.body);
        // A field loaded without its terminating zero must still end at its size.
        if (c.subject.size() == sizeof m_setting->m_szMailSubject)
            c.subject.copy(m_setting->m_szMailSubject, c.subject.size());
        const std::string original = Originals({"p.jpg"})[0];
        m_setting->m_listFiles = {original};

        EXPECT_EQ(RunMailPictures(), Strings{});
        Strings expected{"--utf8"};
        expected.insert(expected.end(), c.textArguments.begin(), c.textArguments.end());
        ASSERT_EQ(fake.AttachedPaths().size(), 1u);
        expected.insert(expected.end(), {"--attach", fake.AttachedPaths()[0]});
        EXPECT_EQ(fake.Arguments(), expected);
    }
}

TEST_F(MailPicturesTest, EachOutcomeShowsItsMessageAndDeletesOnlyAfterTheMailProgramRan) {
    const std::string programs = MakeTempDir("programs");
    WriteFile(programs + "/not-executable", "#!/bin/sh\nexit 0\n");
    chmod((programs + "/not-executable").c_str(), 0600);
    const FakeMailProgram sent("exit 0");
    const FakeMailProgram failed("exit 4");
    const FakeMailProgram discarded("exit 130");

    struct Case {
        const char* what;
        std::string command;
        Strings messages;
        bool deleted;
    };
    const Case cases[] = {
        {"no mail program", programs + "/missing", {"Unable to load mail system support."}, false},
        {"mail program not usable",
         programs + "/not-executable",
         {"Mail system DLL is invalid."},
         false},
        {"send failed", failed.Path(), {"Send Mail failed to send message."}, true},
        {"user discarded the message", discarded.Path(), {}, true},
        {"message handed over", sent.Path(), {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setenv("VTL_MAIL_COMMAND", c.command.c_str(), 1);
        const Strings originals = Originals({"o.jpg"});
        const Strings outputs = RunOutputs({"o.jpg"});
        m_setting->m_listFiles = originals;
        m_setting->m_listMailFiles = outputs;

        EXPECT_EQ(RunMailPictures(), c.messages);

        EXPECT_EQ(fs::exists(outputs[0]), !c.deleted);
        EXPECT_EQ(m_setting->m_listMailFiles, c.deleted ? Strings{} : outputs);
        EXPECT_EQ(m_setting->m_listFiles, originals);
        EXPECT_EQ(ReadFile(originals[0]), "original o.jpg");
    }
}

TEST_F(MailPicturesTest, TheTemporaryFolderItselfIsNeverRemoved) {
    const FakeMailProgram fake;
    fake.Install();
    const std::string sandboxTemp = std::getenv("TMPDIR");
    const std::string tempFolder = MakeTempDir("empty-tmp");
    setenv("TMPDIR", tempFolder.c_str(), 1);
    const std::string output = tempFolder + "/lone.jpg";
    WriteFile(output, "resized");
    m_setting->m_listMailFiles = {output};

    EXPECT_EQ(RunMailPictures(), Strings{});

    EXPECT_EQ(fake.AttachedBytes(), Strings{"resized"});
    EXPECT_FALSE(fs::exists(output));
    EXPECT_TRUE(fs::is_directory(tempFolder));
    setenv("TMPDIR", sandboxTemp.c_str(), 1);
}

} // namespace
