// The mail layer through its MAPI-shaped calls, and MailPictures with the real settings object
// and the real message boxes (answered as a person would); both with a fake mail program run as
// a real child process.
#include "app/batch/MailPictures.h"
#include "app/model/AppSetting.h"
#include "platform/mail/Mapi.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/Pictures.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace plat;
using namespace vtltest;
using Texts = std::vector<std::string>;

namespace {

using Recipients = std::vector<std::pair<ULONG, std::string>>; // {class, address}

// A fake mail program that VTL_MAIL_COMMAND names.
FakeMailProgram Installed(const std::string& ending = "exit 0") {
    FakeMailProgram fake(ending);
    fake.Install();
    return fake;
}

// Sends one message through the loaded library, as MailPictures does.
ULONG Send(std::string subject, std::string body, Texts files, Recipients to = {}) {
    std::vector<MapiFileDesc> attachments;
    for (std::string& file : files)
        attachments.push_back({0, 0, 0xFFFFFFFF, file.data(), file.data(), nullptr});
    std::vector<MapiRecipDesc> recipients;
    for (auto& [recipClass, address] : to)
        recipients.push_back({0, recipClass, nullptr, address.data(), 0, nullptr});
    MapiMessage message{};
    message.lpszSubject = subject.empty() ? nullptr : subject.data();
    message.lpszNoteText = body.empty() ? nullptr : body.data();
    message.nRecipCount = ULONG(to.size()), message.lpRecips = recipients.data();
    message.nFileCount = ULONG(files.size()), message.lpFiles = attachments.data();
    HMAILLIB library = LoadMailLibrary();
    LPMAPISENDMAIL send = GetMailProcAddress(library, "MAPISendMail");
    const ULONG result =
        send ? send(0, 0, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0) : MAPI_E_FAILURE;
    FreeMailLibrary(library);
    return result;
}

class MailLayerTest : public testing::Test {
  protected:
    void SetUp() override { setenv("XDG_CACHE_HOME", (m_cache = MakeTempDir("cache")).c_str(), 1); }
    std::string Outbox() const { return m_cache + "/vantrel/outbox"; }
    std::set<std::string> Spools() const { return FolderNames(Outbox()); }
    // A file with the given name and bytes in a fresh folder.
    static std::string Picture(const std::string& name, const std::string& bytes) {
        const std::string path = MakeTempDir("pictures") + "/" + name;
        WriteFile(path, bytes);
        return path;
    }
    std::string m_cache;
};

// The real xdg-email, up to the point where it hands its mailto URI to a mail client: its hook
// script receives that URI here. Under the C locale non-ASCII text survives only because the
// layer declares its texts UTF-8.
TEST_F(MailLayerTest, WithoutAMailCommandTheRealXdgEmailTakesTheTextsAndTheSpooledFiles) {
    if (!fs::exists("/usr/bin/xdg-email"))
        GTEST_SKIP() << "xdg-utils is not installed";
    const std::string hooks = MakeTempDir("hooks");
    WriteFile(hooks + "/xdg-email-hook.sh",
              "#!/bin/sh\nprintf '%s' \"$1\" > '" + hooks + "/uri'\n");
    fs::permissions(hooks + "/xdg-email-hook.sh", fs::perms::owner_all);
    {
        const ScopedEnv env(
            {{"PATH", hooks + ":/usr/bin:/bin"}, {"VTL_MAIL_COMMAND", ""}, {"LC_ALL", "C"}});
        EXPECT_EQ(Send("M\xC3\xBCnchen & 'quotes'", "line 1\nline 2", {Picture("a b.jpg", "A")}),
                  SUCCESS_SUCCESS);
    }
    const std::string sent = ReadFile(hooks + "/uri");
    const std::string texts =
        "mailto:?subject=M%C3%BCnchen%20%26%20%27quotes%27&body=line%201%0D%0Aline%202&attach=";
    ASSERT_EQ(sent.substr(0, texts.size()), texts);
    const std::string attached =
        QUrl::fromPercentEncoding(QByteArray::fromStdString(sent.substr(texts.size())))
            .toStdString();
    EXPECT_EQ(attached.rfind(Outbox() + "/", 0), 0u) << attached;
    EXPECT_EQ(ReadFile(attached), "A");
}

TEST_F(MailLayerTest, TheProgramGetsPrivateCopiesThatOutliveTheCallUnderTheirOwnNames) {
    const FakeMailProgram fake = Installed();
    const std::string firstBytes("\xFF\xD8 first\0bytes", 14);
    const std::string first = Picture("a b.jpg", firstBytes), second = Picture("a b.jpg", "second");
    const Recipients to = {
        {MAPI_TO, "to@example.org"}, {MAPI_CC, "-cc@x.org"}, {MAPI_BCC, "bcc@x.org"}};
    ASSERT_EQ(Send("Holiday", "Hi\nthere", {first, second}, to), SUCCESS_SUCCESS);
    const Texts attached = fake.AttachedPaths();
    ASSERT_EQ(attached.size(), 2u);
    EXPECT_EQ(fake.Arguments(),
              (Texts{"--utf8", "--to", "to@example.org", "--cc", "-cc@x.org", "--bcc", "bcc@x.org",
                     "--subject", "Holiday", "--body", "Hi\nthere", "--attach", attached[0],
                     "--attach", attached[1]}));
    for (const std::string& path : attached) // one name from two folders, the bytes apart below
        EXPECT_EQ(fs::path(path).filename(), "a b.jpg");
    ASSERT_EQ(Spools().size(), 1u);
    const std::string spool = Outbox() + "/" + *Spools().begin();
    EXPECT_EQ(attached[0].rfind(spool + "/", 0), 0u) << attached[0];
    EXPECT_EQ(fs::status(spool).permissions(), fs::perms::owner_all) << "a spool of the user's own";
    // The caller deletes its temporary files at once; the mail program reads later.
    fs::remove(first), fs::remove(second);
    EXPECT_EQ((Texts{ReadFile(attached[0]), ReadFile(attached[1])}), (Texts{firstBytes, "second"}));
}

// Every text reaches the program as one argument, whatever it holds; how the program ends gives
// the result and decides whether the spool stays for it.
TEST_F(MailLayerTest, TextsReachTheProgramExactlyAndItsExitGivesTheResultAndDecidesOnTheSpool) {
    const std::string trap = MakeTempDir("trap") + "/ran";
    const std::tuple<std::string, const char*, ULONG, bool> cases[] = {
        {"\"double\" and 'single' quotes", "exit 0", SUCCESS_SUCCESS, true},
        {"$(touch " + trap + ") and `touch " + trap + "`", "exit 1", MAPI_E_FAILURE, false},
        {"--attach", "exit 130", MAPI_USER_ABORT, false},
        {"line one\nline two\n", "kill -INT $$", MAPI_USER_ABORT, false},
        {"%F stays %F; back\\slash \\n", "kill -TERM $$", MAPI_E_FAILURE, false},
        {"M\xC3\xBCnchen \xE2\x80\x93 \xE2\x98\x80", "exit 0", SUCCESS_SUCCESS, true},
    };
    for (const auto& [text, ending, result, spoolKept] : cases) {
        SCOPED_TRACE(ending);
        SetUp();
        const FakeMailProgram fake = Installed(ending);
        EXPECT_EQ(Send(text, text, {Picture("p.jpg", "P")}), result);
        Texts arguments = fake.Arguments();
        arguments.resize(5); // the attachment follows
        EXPECT_EQ(arguments, (Texts{"--utf8", "--subject", text, "--body", text}));
        EXPECT_EQ(Spools().size(), spoolKept ? 1u : 0u);
    }
    EXPECT_FALSE(fs::exists(trap));
}

TEST_F(MailLayerTest, RefusedMessagesNeverStartTheProgramNorLeaveASpool) {
    const std::string unreadable = Picture("locked.jpg", "L");
    chmod(unreadable.c_str(), 0);
    const std::string cacheFile = MakeTempDir("cache-is-a-file") + "/cache";
    WriteFile(cacheFile, "");
    // The attachments, the result, and XDG_CACHE_HOME (the test's own when empty).
    std::vector<std::tuple<Texts, ULONG, std::string>> cases = {
        {{Picture("ok.jpg", "K"), "/nonexistent/x.jpg"}, MAPI_E_ATTACHMENT_NOT_FOUND, ""},
        {{MakeTempDir("a-folder")}, MAPI_E_ATTACHMENT_OPEN_FAILURE, ""},
        {{Picture("ok.jpg", "K")}, MAPI_E_ATTACHMENT_WRITE_FAILURE, cacheFile},
    };
    if (geteuid() != 0) // root reads any file
        cases.emplace_back(Texts{unreadable}, MAPI_E_ATTACHMENT_OPEN_FAILURE, "");
    for (const auto& [files, result, cache] : cases) {
        SCOPED_TRACE(result);
        setenv("XDG_CACHE_HOME", cache.empty() ? m_cache.c_str() : cache.c_str(), 1);
        const FakeMailProgram fake = Installed();
        EXPECT_EQ(Send("", "", files), result);
        EXPECT_FALSE(fake.Ran());
        EXPECT_TRUE(Spools().empty());
    }
}

TEST_F(MailLayerTest, SpoolsOlderThanAWeekAreSweptAtTheNextSend) {
    const FakeMailProgram fake = Installed();
    const std::string outside = MakeTempDir("outside"), link = Outbox() + "/20260103-101010-mnopqr";
    // Each folder holds a file and was last changed that many days ago.
    const std::pair<std::string, int> folders[] = {{Outbox() + "/20260101-101010-abcdef", 8},
                                                   {Outbox() + "/20260102-101010-ghijkl", 6},
                                                   {Outbox() + "/notes", 30},
                                                   {outside, 30}};
    for (const auto& [dir, days] : folders) {
        fs::create_directories(dir);
        WriteFile(dir + "/x.jpg", "x");
        fs::last_write_time(dir, fs::file_time_type::clock::now() - std::chrono::hours(24 * days));
    }
    fs::create_directory_symlink(outside, link);
    ASSERT_EQ(Send("", "", {Picture("new.jpg", "N")}), SUCCESS_SUCCESS);
    EXPECT_FALSE(fs::exists(folders[0].first));
    EXPECT_TRUE(fs::exists(folders[1].first + "/x.jpg") &&
                fs::exists(folders[2].first + "/x.jpg") && fs::is_symlink(link));
    EXPECT_EQ(ReadFile(outside + "/x.jpg"), "x");
    EXPECT_EQ(Spools().size(), 4u) << "recent, notes, the link and the new spool";
}

// MailPictures: the mail layer's own rules (arguments, spool, exit codes) are tested above.

// While it lives, the person keeps the text of each message box in `texts` and presses OK (a
// question gets `answer`).
std::unique_ptr<QTimer> Person(Texts& texts,
                               QMessageBox::StandardButton answer = QMessageBox::Yes) {
    return OnEveryModal([&texts, answer](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        texts.push_back(box->text().toStdString());
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        QTest::mouseClick(ok ? ok : box->button(answer), Qt::LeftButton);
    });
}

// Runs MailPictures with the person above: the boxes' texts, and whether it says the mail
// program took the mail.
std::pair<Texts, bool> RunMailPictures(QMessageBox::StandardButton answer = QMessageBox::Yes) {
    Texts texts;
    const auto person = Person(texts, answer);
    const bool handed = MailPictures();
    return {texts, handed};
}

// Files named `names` with the content "<what> <name>", in `folder` or, with none, in a
// private folder inside the temporary folder, as a "Resize and mail" run makes them. A name
// after "-" is listed but never written, as a picture the run could not save.
Texts Files(const std::string& what, const Texts& names, std::string folder = "") {
    if (folder.empty()) {
        folder = std::string(std::getenv("TMPDIR")) + "/vtl-mail-XXXXXX";
        EXPECT_NE(mkdtemp(folder.data()), nullptr);
    }
    Texts paths;
    for (const std::string& name : names)
        if (name.starts_with('-'))
            paths.push_back(folder + "/" + name.substr(1));
        else
            WriteFile(paths.emplace_back(folder + "/" + name), what + " " + name);
    return paths;
}

class MailPicturesTest : public testing::Test {
  protected:
    void SetUp() override {
        m_setting->m_szMailSubject[0] = m_setting->m_szMailBody[0] = 0;
        m_setting->m_nMailMaxMb = 20, m_setting->m_bMailNoGps = 1;
        m_setting->m_listFiles = m_originals =
            Files("original", {"a.jpg", "b.jpg"}, MakeTempDir("pictures"));
    }
    CAppSetting* const m_setting = GetAppSetting();
    Texts m_originals;
};

// "Resize and mail": whatever happens to the mail, no copy of the run is left behind; the
// user's pictures stay.
TEST_F(MailPicturesTest, EachOutcomeShowsItsMessageAndLeavesNoCopy) {
    const std::string programs = MakeTempDir("programs");
    WriteFile(programs + "/not-executable", "#!/bin/sh\nexit 0\n");
    const FakeMailProgram sent("exit 0"), failed("exit 4"), discarded("exit 130"), onPath("exit 0");
    const ScopedEnv env(
        {{"PATH", fs::path(onPath.Path()).parent_path().string() + ":/usr/bin:/bin"}});
    // The mail program, the messages shown, whether the mail was handed over.
    const std::tuple<std::string, Texts, bool> cases[] = {
        {"vtl-no-such-mailer", {"Unable to load mail system support."}, false},
        {programs + "/not-executable", {"Mail system DLL is invalid."}, false},
        {failed.Path(), {"Send Mail failed to send message."}, false},
        {discarded.Path(), {}, false},
        {sent.Path(), {}, true},
        {fs::path(onPath.Path()).filename(), {}, true},
    };
    for (const auto& [command, messages, handedOver] : cases) {
        SCOPED_TRACE(command);
        setenv("VTL_MAIL_COMMAND", command.c_str(), 1);
        const Texts outputs = Files("resized", {"a.jpg", "-b.jpg", "c.jpg"});
        m_setting->m_listMailFiles = outputs;
        EXPECT_EQ(RunMailPictures(), std::pair(messages, handedOver));
        EXPECT_FALSE(fs::exists(fs::path(outputs[0]).parent_path()));
        EXPECT_TRUE(m_setting->m_listMailFiles.empty());
        EXPECT_EQ(ReadFile(m_originals[0]), "original a.jpg");
    }
    EXPECT_EQ(m_setting->m_listFiles, m_originals);
    EXPECT_EQ(sent.AttachedBytes(), (Texts{"resized a.jpg", "resized c.jpg"}));
    // The mail program may read its attachments only when the user presses Send.
    EXPECT_EQ(ReadFile(sent.AttachedPaths()[0]), "resized a.jpg");
}

// "%F" in the subject and the body becomes the names of the files attached, comma-separated. A
// subject that fills its whole field, without the terminating zero, ends at its size.
TEST_F(MailPicturesTest, PercentFBecomesTheAttachedNames) {
    // The subject and body stored, whether a "Resize and mail" run listed its outputs (c.jpg of
    // them never written), and the subject and body the mail program gets.
    const std::tuple<std::string, std::string, bool, std::string, std::string> cases[] = {
        {"Photos: %F", "See %F.\n%F", false, "Photos: a.jpg, b.jpg",
         "See a.jpg, b.jpg.\na.jpg, b.jpg"},
        {"%F", "", true, "a.jpg, d e.jpg", ""},
        {std::string(200, 's'), "", false, std::string(200, 's'), ""},
    };
    for (const auto& [subject, body, resized, mailSubject, mailBody] : cases) {
        SCOPED_TRACE(subject.substr(0, 20));
        std::memcpy(m_setting->m_szMailSubject, subject.c_str(),
                    std::min(subject.size() + 1, sizeof m_setting->m_szMailSubject));
        std::strcpy(m_setting->m_szMailBody, body.c_str());
        if (resized)
            m_setting->m_listMailFiles = Files("resized", {"a.jpg", "-c.jpg", "d e.jpg"});
        const FakeMailProgram fake = Installed();
        EXPECT_EQ(RunMailPictures(), std::pair(Texts{}, true));
        const Texts arguments = fake.Arguments();
        Texts texts; // the values after --subject and --body
        for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
            if (arguments[i] == "--subject" || arguments[i] == "--body")
                texts.push_back(arguments[i + 1]);
        EXPECT_EQ(texts, mailBody.empty() ? Texts{mailSubject} : (Texts{mailSubject, mailBody}));
    }
}

// Mail To: the mail program stays open until the person sends the message (here: until the test
// writes `sent`), then fails (exit 4). The window is not kept waiting: the call returns while
// the mail program is open, the window takes events meanwhile, and the failure is told once the
// mail program ends; a window closed meanwhile goes at once, and nothing is told after it.
TEST_F(MailPicturesTest, MailToDoesNotWaitForTheMailProgramAndTellsItsResultLater) {
    for (const bool closed : {false, true}) {
        SCOPED_TRACE(closed ? "window closed meanwhile" : "window open");
        const std::string mailer = MakeTempDir("mailer");
        const FakeMailProgram fake =
            Installed("touch '" + mailer + "/open'; while [ ! -e '" + mailer +
                      "/sent' ]; do sleep 0.05; done; touch '" + mailer + "/done'; exit 4");
        Texts told;
        const auto person = Person(told);
        auto window = std::make_unique<QWidget>();
        window->show();
        bool handed = true;
        MailPicturesInBackground(window.get(), [&](bool took) { handed = took; });
        EXPECT_FALSE(fs::exists(mailer + "/sent")) << "returned while the mail program is open";
        // The window's events go on meanwhile: a timer set now fires while the mail program is
        // still open.
        bool ticked = false;
        QTimer::singleShot(10, window.get(), [&] { ticked = true; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return ticked && fs::exists(mailer + "/open"); }));
        EXPECT_EQ(fake.AttachedBytes(), (Texts{"original a.jpg", "original b.jpg"}));
        if (closed)
            window.reset();
        WriteFile(mailer + "/sent", "");
        // Once the mail program has ended, its result comes back in a moment, or never to a
        // window that is gone.
        ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(mailer + "/done"); }));
        if (closed) {
            QTest::qWait(300);
            EXPECT_EQ(told, Texts{});
        } else {
            EXPECT_TRUE(QTest::qWaitFor([&] { return !told.empty(); }));
            EXPECT_EQ(told, Texts{"Send Mail failed to send message."});
            EXPECT_FALSE(handed);
        }
        EXPECT_EQ(m_setting->m_listFiles, m_originals);
    }
}

// Over the size of the settings the person is asked first; No mails nothing and removes the
// run's copies, as Yes does once the mail program has them; 0 never asks.
TEST_F(MailPicturesTest, ALargeMailIsSentOnlyWhenThePersonAgrees) {
    const std::string question = "The 2 pictures come to 1.5 MB, more than the 1 MB that many "
                                 "mail servers accept. Send them anyway?";
    const std::tuple<int, QMessageBox::StandardButton, Texts, bool> cases[] = {
        {1, QMessageBox::No, {question}, false},
        {1, QMessageBox::Yes, {question}, true},
        {0, QMessageBox::No, {}, true},
    };
    for (const auto& [maxMb, answer, told, sent] : cases) {
        SCOPED_TRACE(std::to_string(maxMb) + (answer == QMessageBox::Yes ? " Yes" : " No"));
        m_setting->m_nMailMaxMb = maxMb;
        const FakeMailProgram fake = Installed();
        m_setting->m_listMailFiles = Files("resized", {"a.jpg", "b.jpg"});
        WriteFile(m_setting->m_listMailFiles[0], std::string(1572864 - 12, 'x')); // 1.5 MB in all
        EXPECT_EQ(RunMailPictures(answer), std::pair(told, sent));
        EXPECT_EQ(fake.Ran(), sent);
        EXPECT_TRUE(FolderNames(std::getenv("TMPDIR")).empty());
    }
}

// EXIF data in TIFF form: a camera maker, and a GPS directory with the latitude.
std::string ExifWithGps() {
    const auto u16 = [](unsigned v) { return std::string{char(v), char(v >> 8)}; };
    const auto u32 = [&](unsigned v) { return u16(v) + u16(v >> 16); };
    // IFD0 at 8: Make (ASCII, at 38) and the GPS pointer (to 44); the GPS directory at 44:
    // GPSLatitudeRef "N" and GPSLatitude (3 rationals, at 74).
    std::string tiff = "II" + u16(42) + u32(8) + u16(2) + u16(0x010F) + u16(2) + u32(6) + u32(38) +
                       u16(0x8825) + u16(4) + u32(1) + u32(44) + u32(0) + "Vtlcam" + u16(2) +
                       u16(1) + u16(2) + u32(2) + std::string("N\0\0\0", 4) + u16(2) + u16(5) +
                       u32(3) + u32(74) + u32(0);
    for (unsigned value : {48u, 51u, 29u})
        tiff += u32(value) + u32(1);
    return std::string("Exif\0\0", 6) + tiff;
}

// Whether the picture file has any GPS entry and its camera maker, as libvips reads its EXIF.
std::pair<bool, bool> GpsAndMake(const vips::VImage& image) {
    bool gps = false;
    char** fields = vips_image_get_fields(image.get_image());
    for (char** field = fields; *field; ++field)
        gps = gps || std::string_view(*field).starts_with("exif-ifd3-");
    g_strfreev(fields);
    return {gps, vips_image_get_typeof(image.get_image(), "exif-ifd0-Make") != 0};
}

// Mailed copies lose their location, in EXIF and XMP, and keep the rest; the person's picture
// keeps it, and with the choice off the picture goes as it is.
TEST_F(MailPicturesTest, MailedCopiesLoseTheirLocationAndTheSourceKeepsIt) {
    const std::string xmp =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/"
        "22-rdf-syntax-ns#\"><rdf:Description xmlns:ex=\"http://ns.adobe.com/exif/1.0/\" "
        "ex:GPSLatitude=\"48,51.5N\" ex:UserComment=\"kept\"><ex:GPSLongitude>2,21E"
        "</ex:GPSLongitude><ex:GPSVersionID><rdf:Seq><rdf:li>2</rdf:li></rdf:Seq>"
        "</ex:GPSVersionID></rdf:Description></rdf:RDF></x:xmpmeta>";
    const std::string exif = ExifWithGps();
    // The file's type, whether it is the run's own copy ("Resize and mail"), the choice, and
    // whether the mailed picture still has its location.
    const std::tuple<const char*, bool, int, bool> cases[] = {
        {"jpg", false, 1, false},
        {"jpg", true, 1, false},
        {"webp", true, 1, false},
        {"jpg", false, 0, true},
    };
    for (const auto& [type, ours, noGps, located] : cases) {
        SCOPED_TRACE(std::string(type) + (ours ? " resized " : " marked ") + std::to_string(noGps));
        vips::VImage picture = Gradient(64, 48);
        vips_image_set_blob_copy(picture.get_image(), "exif-data", exif.data(), exif.size());
        vips_image_set_blob_copy(picture.get_image(), "xmp-data", xmp.data(), xmp.size());
        std::string folder = std::string(std::getenv("TMPDIR")) + "/vtl-mail-XXXXXX";
        folder = ours ? mkdtemp(folder.data()) : MakeTempDir("located");
        const std::string source = WritePicture(picture, folder + "/p." + type);
        const std::string before = ReadFile(source);
        const auto original = vips::VImage::new_from_buffer(before.data(), before.size(), "");
        ASSERT_EQ(GpsAndMake(original), std::pair(true, true));
        (ours ? m_setting->m_listMailFiles : m_setting->m_listFiles) = {source};
        m_setting->m_bMailNoGps = noGps;
        const FakeMailProgram fake = Installed();
        EXPECT_EQ(RunMailPictures(), std::pair(Texts{}, true));
        ASSERT_EQ(fake.AttachedBytes().size(), 1u);
        const std::string bytes = fake.AttachedBytes()[0];
        const auto mailed = vips::VImage::new_from_buffer(bytes.data(), bytes.size(), "");
        EXPECT_EQ(GpsAndMake(mailed), std::pair(located, true));
        // The XMP block is text in the file.
        EXPECT_EQ(bytes.find("GPS") != std::string::npos, located);
        EXPECT_NE(bytes.find("ex:UserComment=\"kept\""), std::string::npos);
        EXPECT_EQ(mailed.avg(), original.avg());
        EXPECT_TRUE(ours || ReadFile(source) == before) << "the person's picture is never changed";
        EXPECT_TRUE(FolderNames(std::getenv("TMPDIR")).empty()) << "no copy is left behind";
    }
}

// Opens nothing: keeps the URL that the folder route asks the desktop to open.
class COpenedUrls : public QObject {
    Q_OBJECT
  public:
    Texts opened;
  public slots:
    void Open(const QUrl& url) { opened.push_back(url.toLocalFile().toStdString()); }
};

// The desktop's routes, with VTL_MAIL_COMMAND unset: a private bus with or without the
// stand-in portal (or no bus at all), a fake thunderbird and xdg-email on a PATH of their own
// (beside the tools the fakes use), and HOME, Pictures and the desktop's mail settings in the
// sandbox. The pictures are a "Resize and mail" run's, named as people name files.
TEST_F(MailPicturesTest, EachRouteTakesTheMailOrHandsItToTheNext) {
    const Texts names = {"a, b's \"c\".jpg", "\xFF\xFE name.jpg", "d e.jpg"};
    std::strcpy(m_setting->m_szMailSubject, "Holiday 'M\xC3\xBCnchen', 100%");
    std::strcpy(m_setting->m_szMailBody, "Line 1\nLine 2");
    const std::string text = "Holiday 'M\xC3\xBCnchen', 100%\n\nLine 1\nLine 2";
    // The portal (its answer; "": a bus without it, "-": no bus), thunderbird and xdg-email
    // (how each ends; "": not installed), the desktop's default mail program, the programs asked
    // ('p'ortal, 't'hunderbird, 'x'dg-email), and the route that took the mail ('c': none, the
    // person cancelled in the portal's window; 'f': the folder).
    using Row = std::tuple<const char*, const char*, const char*, const char*, const char*, char>;
    const Row cases[] = {
        {"0", "exit 0", "exit 0", "", "p", 'p'},
        {"1", "exit 0", "exit 0", "", "p", 'c'},
        {"2", "exit 0", "", "", "pt", 't'},
        {"error", "exit 1", "exit 0", "", "ptx", 'x'},
        {"", "exit 0", "exit 0", "org.gnome.Evolution.desktop", "x", 'x'},
        {"", "exit 0", "", "thunderbird.desktop", "t", 't'},
        {"-", "", "exit 3", "", "x", 'f'},
        {"silent", "", "", "", "p", 'f'},
    };
    COpenedUrls urls;
    QDesktopServices::setUrlHandler("file", &urls, "Open");
    for (const auto& [portal, thunderbird, xdgEmail, mailto, asked, route] : cases) {
        SCOPED_TRACE(std::string(portal) + " " + thunderbird + " " + xdgEmail + " " + mailto);
        const std::string path = MakeTempDir("path"), home = MakeTempDir("home"),
                          data = MakeTempDir("data"), pictures = home + "/Bilder",
                          cache = MakeTempDir("cache");
        for (const char* tool : {"mkdir", "cat"})
            fs::create_symlink(fs::path("/bin") / tool, path + "/" + tool);
        WriteFile(data + "/mimeapps.list",
                  "[Default Applications]\nx-scheme-handler/mailto=" + std::string(mailto) + "\n");
        ScopedEnv env({{"PATH", path},
                       {"VTL_MAIL_COMMAND", ""},
                       {"HOME", home},
                       {"XDG_PICTURES_DIR", pictures},
                       {"XDG_CACHE_HOME", cache},
                       {"XDG_CONFIG_DIRS", data},
                       {"XDG_DATA_DIRS", data},
                       {"XDG_DATA_HOME", data}});
        std::unique_ptr<PrivateBus> bus;
        if (std::string(portal) != "-")
            bus = std::make_unique<PrivateBus>(portal);
        const FakeMailProgram thunderbirdFake(thunderbird), xdgEmailFake(xdgEmail);
        if (*thunderbird)
            fs::create_symlink(thunderbirdFake.Path(), path + "/thunderbird");
        if (*xdgEmail)
            fs::create_symlink(xdgEmailFake.Path(), path + "/xdg-email");
        m_setting->m_listMailFiles = Files("resized", names);
        QApplication::clipboard()->clear();

        const auto [told, handed] = RunMailPictures();
        const bool took = route != 'c' && route != 'f';
        const std::string askedNow = std::string(bus && !bus->Calls().empty() ? "p" : "") +
                                     (thunderbirdFake.Ran() ? "t" : "") +
                                     (xdgEmailFake.Ran() ? "x" : "");
        EXPECT_EQ(std::pair(askedNow, handed), std::pair(std::string(asked), took));
        EXPECT_TRUE(FolderNames(std::getenv("TMPDIR")).empty()) << "the run's copies are gone";
        EXPECT_EQ(FolderNames(cache + "/vantrel/outbox").size(), took ? 1u : 0u)
            << "a spool only for the program that took the mail";
        EXPECT_EQ(told.size(), route == 'f' ? 1u : 0u);
        // The files the route that took the mail handed on (the portal: what its descriptors were
        // open on, and read through them), each with its own bytes under its own name.
        Texts files;
        if (route == 'p') {
            const PrivateBus::Call call = bus->Calls().at(0);
            EXPECT_EQ(call.subject + "\n\n" + call.body, text);
            EXPECT_EQ(call.bytes,
                      (Texts{"resized " + names[0], "resized " + names[1], "resized " + names[2]}));
            files = call.names;
        } else if (route == 't') {
            const Texts arguments = thunderbirdFake.Arguments();
            ASSERT_EQ(arguments.size(), 2u);
            EXPECT_EQ(arguments[0], "-compose");
            // "subject=…,body=…,attachment='URL,URL,URL'": no other comma or quote.
            QByteArray compose = QByteArray::fromStdString(arguments[1]);
            const QList<QByteArray> parts =
                compose.replace("attachment='", "").chopped(1).split(',');
            ASSERT_EQ(parts.size(), 5) << arguments[1];
            EXPECT_EQ(QByteArray::fromPercentEncoding(parts[0] + "\n\n" + parts[1]).toStdString(),
                      "subject=" + text.substr(0, text.find('\n')) + "\n\nbody=Line 1\nLine 2");
            for (const QByteArray& url : parts.mid(2))
                files.push_back(QByteArray::fromPercentEncoding(url.mid(7)).toStdString());
        } else if (route == 'x') {
            files = xdgEmailFake.AttachedPaths();
        } else if (route == 'f') {
            ASSERT_EQ(urls.opened.size(), 1u) << "the folder opens";
            EXPECT_EQ(told, Texts{"No mail program could take the pictures, so they are kept in " +
                                  urls.opened[0] +
                                  ". Attach them to a new message by hand; its "
                                  "subject and text are on the clipboard."});
            EXPECT_EQ(fs::path(urls.opened[0]).parent_path(), pictures + "/Vantrel mail");
            EXPECT_EQ(QApplication::clipboard()->text().toStdString(), text);
            for (const std::string& name : names)
                files.push_back(urls.opened[0] + "/" + name);
        }
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(fs::path(files[i]).filename(), names.at(i));
            EXPECT_EQ(ReadFile(files[i]), "resized " + names[i]);
        }
        EXPECT_EQ(files.size(), route == 'c' ? 0u : 3u);
        urls.opened.clear();
    }
    QDesktopServices::unsetUrlHandler("file");
}

} // namespace

#include "MailTest.moc"
