// The mail layer through its MAPI-shaped calls, with a fake mail program run as a real child.
#include "platform/mail/Mapi.h"

#include "tests/support/FakeMailProgram.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace plat;
using vtltest::FakeMailProgram;
using vtltest::MakeTempDir;
using vtltest::ReadFile;
using vtltest::WriteFile;

namespace {

constexpr FLAGS SEND_FLAGS = MAPI_LOGON_UI | MAPI_DIALOG;

// One message to send: owns the texts that the MAPI structures point into.
struct Outgoing {
    Outgoing(std::string subject_, std::string body_, std::vector<std::string> attachments_,
             std::vector<std::pair<ULONG, std::string>> recipients_ = {}, FLAGS flags_ = SEND_FLAGS)
        : subject(std::move(subject_)), body(std::move(body_)),
          attachments(std::move(attachments_)), recipients(std::move(recipients_)), flags(flags_) {}

    std::string subject;
    std::string body;
    std::vector<std::string> attachments;
    std::vector<std::pair<ULONG, std::string>> recipients; // class, address
    FLAGS flags;

    ULONG Send() {
        std::vector<MapiFileDesc> files(attachments.size());
        for (std::size_t i = 0; i < attachments.size(); ++i) {
            files[i] = {};
            files[i].nPosition = 0xFFFFFFFF;
            files[i].lpszPathName = attachments[i].data();
            files[i].lpszFileName = attachments[i].data();
        }
        std::vector<MapiRecipDesc> recips(recipients.size());
        for (std::size_t i = 0; i < recipients.size(); ++i) {
            recips[i] = {};
            recips[i].ulRecipClass = recipients[i].first;
            recips[i].lpszAddress = recipients[i].second.data();
        }
        MapiMessage message{};
        message.lpszSubject = subject.empty() ? nullptr : subject.data();
        message.lpszNoteText = body.empty() ? nullptr : body.data();
        message.nFileCount = static_cast<ULONG>(files.size());
        message.lpFiles = files.data();
        message.nRecipCount = static_cast<ULONG>(recips.size());
        message.lpRecips = recips.data();

        HMAILLIB library = LoadMailLibrary();
        EXPECT_NE(library, nullptr);
        LPMAPISENDMAIL send = GetMailProcAddress(library, "MAPISendMail");
        EXPECT_NE(send, nullptr);
        const ULONG result = send ? send(0, 0, &message, flags, 0) : MAPI_E_FAILURE;
        FreeMailLibrary(library);
        return result;
    }
};

class MailLayerTest : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"PATH", "HOME", "XDG_CACHE_HOME", "VTL_MAIL_COMMAND"}) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        m_cache = MakeTempDir("cache");
        setenv("XDG_CACHE_HOME", m_cache.c_str(), 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : m_saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

    std::string Outbox() const { return m_cache + "/vantrel/outbox"; }
    std::vector<std::string> SpoolFolders() const {
        std::vector<std::string> folders;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(Outbox(), ec))
            folders.push_back(entry.path().string());
        return folders;
    }
    // A file with the given name and bytes in a fresh folder.
    static std::string Picture(const std::string& name, const std::string& bytes) {
        const std::string path = MakeTempDir("pictures") + "/" + name;
        WriteFile(path, bytes);
        return path;
    }

    std::string m_cache;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(MailLayerTest, LoadingAndLookupFollowWhatTheMailProgramIs) {
    const std::string dir = MakeTempDir("programs");
    const FakeMailProgram runnable;
    WriteFile(dir + "/not-executable", "#!/bin/sh\nexit 0\n");
    chmod((dir + "/not-executable").c_str(), 0600);
    fs::create_directory(dir + "/a-folder");
    fs::copy_file(runnable.Path(), dir + "/mailer-on-path");

    struct Case {
        const char* what;
        std::string command;
        bool loads;
        bool hasEntry;
    };
    const Case cases[] = {
        {"no such path", dir + "/missing", false, false},
        {"bare name not on PATH", "vtl-no-such-mailer", false, false},
        {"a folder", dir + "/a-folder", true, false},
        {"a file without execute permission", dir + "/not-executable", true, false},
        {"a runnable program by path", runnable.Path(), true, true},
        {"a runnable program by name on PATH", "mailer-on-path", true, true},
    };
    setenv("PATH", dir.c_str(), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setenv("VTL_MAIL_COMMAND", c.command.c_str(), 1);
        HMAILLIB library = LoadMailLibrary();
        EXPECT_EQ(library != nullptr, c.loads);
        EXPECT_EQ(GetMailProcAddress(library, "MAPISendMail") != nullptr, c.hasEntry);
        EXPECT_EQ(GetMailProcAddress(library, "MAPISendMailW"), nullptr);
        FreeMailLibrary(library);
    }
}

TEST_F(MailLayerTest, WithoutVtlMailCommandXdgEmailOnPathIsRun) {
    const FakeMailProgram fake;
    const std::string bin = MakeTempDir("bin");
    fs::copy_file(fake.Path(), bin + "/xdg-email");
    setenv("PATH", (bin + ":/usr/bin:/bin").c_str(), 1);
    unsetenv("VTL_MAIL_COMMAND");

    Outgoing mail{"Holiday", "", {Picture("a.jpg", "A")}};
    EXPECT_EQ(mail.Send(), SUCCESS_SUCCESS);
    ASSERT_TRUE(fake.Ran());
    EXPECT_EQ(fake.AttachedBytes(), std::vector<std::string>{"A"});
}

// The real xdg-email, up to the point where it hands its mailto URI to a mail client: its hook
// script receives that URI here. Under the C locale non-ASCII text survives only because the
// layer declares its texts UTF-8.
TEST_F(MailLayerTest, RealXdgEmailTakesTheArgumentsAndTheSpooledFiles) {
    if (!fs::exists("/usr/bin/xdg-email"))
        GTEST_SKIP() << "xdg-utils is not installed";
    const std::string hooks = MakeTempDir("hooks");
    const std::string uri = hooks + "/uri";
    WriteFile(hooks + "/xdg-email-hook.sh", "#!/bin/sh\nprintf '%s' \"$1\" > '" + uri + "'\n");
    fs::permissions(hooks + "/xdg-email-hook.sh", fs::perms::owner_all);
    setenv("PATH", (hooks + ":/usr/bin:/bin").c_str(), 1);
    unsetenv("VTL_MAIL_COMMAND");
    const char* locale = std::getenv("LC_ALL");
    const std::string savedLocale = locale ? locale : "";
    setenv("LC_ALL", "C", 1);

    Outgoing mail{"Gr\xC3\xBC\xC3\x9F"
                  "e & 'quotes'",
                  "line 1\nline 2",
                  {Picture("a b.jpg", "A")}};
    const ULONG result = mail.Send();
    if (locale)
        setenv("LC_ALL", savedLocale.c_str(), 1);
    else
        unsetenv("LC_ALL");

    EXPECT_EQ(result, SUCCESS_SUCCESS);
    const std::string sent = ReadFile(uri);
    const auto split = sent.find("&attach=");
    ASSERT_NE(split, std::string::npos) << sent;
    EXPECT_EQ(sent.substr(0, split),
              "mailto:?subject=Gr%C3%BC%C3%9Fe%20%26%20%27quotes%27&body=line%201%0D%0Aline%202");
    std::string attached;
    const std::string encoded = sent.substr(split + 8);
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size()) {
            attached += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            attached += encoded[i];
        }
    }
    EXPECT_EQ(attached.rfind(Outbox() + "/", 0), 0u) << attached;
    EXPECT_EQ(fs::path(attached).filename(), "a b.jpg");
    EXPECT_EQ(ReadFile(attached), "A");
}

TEST_F(MailLayerTest, ProgramGetsPrivateCopiesThatOutliveTheCall) {
    const FakeMailProgram fake;
    fake.Install();
    const std::string first = Picture("a b.jpg", std::string("\xFF\xD8 first\0bytes", 14));
    const std::string second = Picture("IMG_0002.png", "second");

    Outgoing mail{"Holiday", "Hi\nthere", {first, second}};
    ASSERT_EQ(mail.Send(), SUCCESS_SUCCESS);

    const auto attached = fake.AttachedPaths();
    ASSERT_EQ(attached.size(), 2u);
    EXPECT_EQ(fake.Arguments(),
              (std::vector<std::string>{"--utf8", "--subject", "Holiday", "--body", "Hi\nthere",
                                        "--attach", attached[0], "--attach", attached[1]}));
    EXPECT_EQ(fake.AttachedBytes(), (std::vector<std::string>{ReadFile(first), "second"}));
    EXPECT_EQ(fs::path(attached[0]).filename(), "a b.jpg");
    EXPECT_EQ(fs::path(attached[1]).filename(), "IMG_0002.png");

    const auto spools = SpoolFolders();
    ASSERT_EQ(spools.size(), 1u);
    EXPECT_EQ(attached[0].rfind(spools[0] + "/", 0), 0u) << attached[0];
    struct stat facts {};
    ASSERT_EQ(stat(spools[0].c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 0777, 0700u);

    // The caller deletes its temporary files at once; the mail program reads on Send.
    fs::remove(first);
    fs::remove(second);
    EXPECT_EQ(ReadFile(attached[0]), std::string("\xFF\xD8 first\0bytes", 14));
    EXPECT_EQ(ReadFile(attached[1]), "second");
}

TEST_F(MailLayerTest, AttachmentsWithOneNameFromTwoFoldersStayApart) {
    const FakeMailProgram fake;
    fake.Install();
    Outgoing mail{"", "", {Picture("x.jpg", "one"), Picture("x.jpg", "two")}};
    ASSERT_EQ(mail.Send(), SUCCESS_SUCCESS);
    const auto attached = fake.AttachedPaths();
    ASSERT_EQ(attached.size(), 2u);
    EXPECT_NE(attached[0], attached[1]);
    EXPECT_EQ(fs::path(attached[0]).filename(), "x.jpg");
    EXPECT_EQ(fs::path(attached[1]).filename(), "x.jpg");
    EXPECT_EQ(fake.AttachedBytes(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(fake.Arguments().size(), 5u) << "no --subject or --body for empty texts";
}

TEST_F(MailLayerTest, ExitOfTheProgramGivesTheResultAndDecidesOnTheSpool) {
    struct Case {
        const char* ending;
        ULONG result;
        bool spoolKept;
    };
    const Case cases[] = {
        {"exit 0", SUCCESS_SUCCESS, true},        {"exit 1", MAPI_E_FAILURE, false},
        {"exit 4", MAPI_E_FAILURE, false},        {"exit 130", MAPI_USER_ABORT, false},
        {"kill -INT $$", MAPI_USER_ABORT, false}, {"kill -TERM $$", MAPI_E_FAILURE, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ending);
        m_cache = MakeTempDir("cache");
        setenv("XDG_CACHE_HOME", m_cache.c_str(), 1);
        const FakeMailProgram fake(c.ending);
        fake.Install();
        Outgoing mail{"s", "b", {Picture("p.jpg", "P")}};
        EXPECT_EQ(mail.Send(), c.result);
        EXPECT_TRUE(fake.Ran());
        EXPECT_EQ(SpoolFolders().size(), c.spoolKept ? 1u : 0u);
    }
}

TEST_F(MailLayerTest, TextsReachTheProgramExactlyAsGiven) {
    const std::string trap = MakeTempDir("trap") + "/ran";
    const std::string texts[] = {
        "\"double\" and 'single' quotes",
        "$(touch " + trap + ") and `touch " + trap + "`",
        "-leading dash",
        "--attach",
        "line one\nline two\n",
        "%F stays %F; back\\slash \\n",
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x80\x93 \xE2\x98\x80",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        const FakeMailProgram fake;
        fake.Install();
        Outgoing mail{text, text, {}};
        EXPECT_EQ(mail.Send(), SUCCESS_SUCCESS);
        EXPECT_EQ(fake.Arguments(),
                  (std::vector<std::string>{"--utf8", "--subject", text, "--body", text}));
    }
    EXPECT_FALSE(fs::exists(trap));
}

TEST_F(MailLayerTest, RefusedMessagesNeverStartTheProgramNorLeaveASpool) {
    const std::string folder = MakeTempDir("a-folder");
    const std::string unreadable = Picture("locked.jpg", "L");
    chmod(unreadable.c_str(), 0);
    const std::string cacheFile = MakeTempDir("cache-is-a-file") + "/cache";
    WriteFile(cacheFile, "");

    struct Case {
        const char* what;
        Outgoing mail;
        ULONG result;
        std::string cache = {};
    };
    std::vector<Case> cases = {
        {"missing attachment",
         {"", "", {Picture("ok.jpg", "K"), "/nonexistent/x.jpg"}},
         MAPI_E_ATTACHMENT_NOT_FOUND},
        {"folder as attachment", {"", "", {folder}}, MAPI_E_ATTACHMENT_OPEN_FAILURE},
        {"spool cannot be made",
         {"", "", {Picture("ok.jpg", "K")}},
         MAPI_E_ATTACHMENT_WRITE_FAILURE,
         cacheFile},
        {"recipient of no known class",
         {"", "", {}, {{MAPI_ORIG, "a@example.org"}}},
         MAPI_E_BAD_RECIPTYPE},
        {"recipient without address", {"", "", {}, {{MAPI_TO, ""}}}, MAPI_E_UNKNOWN_RECIPIENT},
        {"no compose window asked for", {"", "", {}, {}, MAPI_LOGON_UI}, MAPI_E_NOT_SUPPORTED},
    };
    // Root reads any file, so this case only means something for a normal user.
    if (geteuid() != 0)
        cases.push_back(
            {"unreadable attachment", {"", "", {unreadable}}, MAPI_E_ATTACHMENT_OPEN_FAILURE});

    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.cache.empty())
            setenv("XDG_CACHE_HOME", c.cache.c_str(), 1);
        const FakeMailProgram fake;
        fake.Install();
        EXPECT_EQ(c.mail.Send(), c.result);
        EXPECT_FALSE(fake.Ran());
        EXPECT_TRUE(SpoolFolders().empty());
        setenv("XDG_CACHE_HOME", m_cache.c_str(), 1);
    }
}

TEST_F(MailLayerTest, RecipientsGoToTheirOptions) {
    const FakeMailProgram fake;
    fake.Install();
    Outgoing mail{
        "",
        "",
        {},
        {{MAPI_TO, "to@example.org"}, {MAPI_CC, "-cc@example.org"}, {MAPI_BCC, "bcc@example.org"}}};
    ASSERT_EQ(mail.Send(), SUCCESS_SUCCESS);
    EXPECT_EQ(fake.Arguments(),
              (std::vector<std::string>{"--utf8", "--to", "to@example.org", "--cc",
                                        "-cc@example.org", "--bcc", "bcc@example.org"}));
}

TEST_F(MailLayerTest, SpoolsOlderThanAWeekAreSweptAtTheNextSend) {
    const FakeMailProgram fake;
    fake.Install();
    const auto now = fs::file_time_type::clock::now();
    const auto daysAgo = [&](int days) { return now - std::chrono::hours(24 * days); };
    const std::string outbox = Outbox();
    fs::create_directories(outbox);
    const std::string old = outbox + "/20260101-101010-abcdef";
    const std::string recent = outbox + "/20260102-101010-ghijkl";
    const std::string foreign = outbox + "/notes";
    const std::string outside = MakeTempDir("outside");
    const std::string link = outbox + "/20260103-101010-mnopqr";
    for (const std::string& dir : {old, recent, foreign}) {
        fs::create_directory(dir);
        WriteFile(dir + "/x.jpg", "x");
    }
    WriteFile(outside + "/keep.jpg", "keep");
    fs::create_directory_symlink(outside, link);
    fs::last_write_time(old, daysAgo(8));
    fs::last_write_time(recent, daysAgo(6));
    fs::last_write_time(foreign, daysAgo(30));
    fs::last_write_time(outside, daysAgo(30));

    Outgoing mail{"", "", {Picture("new.jpg", "N")}};
    ASSERT_EQ(mail.Send(), SUCCESS_SUCCESS);

    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(fs::exists(recent + "/x.jpg"));
    EXPECT_TRUE(fs::exists(foreign + "/x.jpg"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(outside + "/keep.jpg"), "keep");
    ASSERT_EQ(fake.AttachedPaths().size(), 1u);
    EXPECT_EQ(ReadFile(fake.AttachedPaths()[0]), "N");
    EXPECT_EQ(SpoolFolders().size(), 4u) << "recent, notes, the link and the new spool";
}

TEST_F(MailLayerTest, OutboxFollowsTheCacheFolderRules) {
    const std::string home = MakeTempDir("home");
    setenv("HOME", home.c_str(), 1);
    struct Case {
        const char* what;
        std::optional<std::string> cache;
        std::string outbox;
    };
    const Case cases[] = {
        {"XDG_CACHE_HOME set", m_cache, m_cache + "/vantrel/outbox/"},
        {"XDG_CACHE_HOME unset", std::nullopt, home + "/.cache/vantrel/outbox/"},
        {"XDG_CACHE_HOME relative", std::string("relative/cache"),
         home + "/.cache/vantrel/outbox/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.cache)
            setenv("XDG_CACHE_HOME", c.cache->c_str(), 1);
        else
            unsetenv("XDG_CACHE_HOME");
        const FakeMailProgram fake;
        fake.Install();
        Outgoing mail{"", "", {Picture("p.jpg", "P")}};
        ASSERT_EQ(mail.Send(), SUCCESS_SUCCESS);
        ASSERT_EQ(fake.AttachedPaths().size(), 1u);
        EXPECT_EQ(fake.AttachedPaths()[0].rfind(c.outbox, 0), 0u) << fake.AttachedPaths()[0];
    }
}

} // namespace
