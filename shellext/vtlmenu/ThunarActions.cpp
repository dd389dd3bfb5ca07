#include "shellext/vtlmenu/ThunarActions.h"

#include "app/model/formats/FormatTable.h"
#include "platform/Paths.h"
#include "platform/SettingsFile.h"
#include "shellext/vtlmenu/UserDirs.h"

#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <filesystem>
#include <sstream>

namespace vtlmenu {

namespace {

constexpr const char* kIdPrefix = "vantrel-";
// Far beyond any list of actions a person keeps.
constexpr std::size_t kMostActionBytes = 16 << 20;

// A list of actions read whole, as settings files are: without waiting (a FIFO in its place
// never hangs the registration), and only from a plain file.
std::optional<std::string> ReadActions(const std::string& path) {
    const plat::SettingsFile file = plat::ReadSettingsFile(path, kMostActionBytes);
    if (file.state != plat::SettingsFile::Read || file.size > file.bytes.size())
        return std::nullopt;
    return file.bytes;
}

// A command line as Thunar splits it: single quotes, with a quote inside closed, escaped and
// reopened.
std::string ShellQuote(const std::string& arg) {
    std::string quoted = "'";
    for (const char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// "*.jpg;*.jpG;*.jPg;...": Thunar matches patterns exactly, while the handler takes an
// extension in any letter case.
QString PicturePatterns() {
    QStringList patterns;
    for (const PictureExtension& extension : PictureExtensions()) {
        const QString lower = QString::fromLatin1(extension.szExt);
        for (unsigned form = 0; form < (1u << lower.size()); ++form) {
            QString pattern = lower;
            for (qsizetype i = 0; i < pattern.size(); ++i)
                if (form & (1u << i))
                    pattern[i] = pattern[i].toUpper();
            patterns << "*." + pattern;
        }
    }
    return patterns.join(';');
}

void WriteAction(QXmlStreamWriter& out, const IntegrationMenu& menu,
                 const vtlext::MenuEntry& command, bool folder) {
    const auto q = [](const std::string& s) { return QString::fromStdString(s); };
    out.writeStartElement("action");
    out.writeTextElement("icon", q(menu.iconPath));
    out.writeTextElement("name", q(command.text));
    out.writeTextElement("submenu", q(menu.submenu));
    out.writeTextElement("unique-id", q(kIdPrefix + std::string(folder ? "folder-" : "") +
                                        std::to_string(command.offset)));
    out.writeTextElement("command", q(ShellQuote(menu.vtlmenuPath) + " --invoke " +
                                      std::to_string(command.offset) + " %F"));
    out.writeTextElement("description", q(command.helpText));
    out.writeTextElement("range", "");
    out.writeTextElement("patterns", folder ? QStringLiteral("*") : PicturePatterns());
    out.writeEmptyElement(folder ? "directories" : "image-files");
    out.writeEndElement();
}

// The default list Thunar shows a user who has none of their own ("" when there is none).
std::string SystemActions() {
    std::stringstream dirs(SystemConfigDirs());
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty())
            continue;
        if (auto actions = ReadActions(dir + "/Thunar/uca.xml"))
            return *actions;
    }
    return {};
}

} // namespace

std::string CThunarActions::Path() {
    return plat::GetUserConfigFolder() + "/Thunar/uca.xml";
}

std::optional<std::string> CThunarActions::Merge(const std::string& existing,
                                                 const IntegrationMenu* menu) {
    QString actions;
    if (!existing.empty()) {
        QXmlStreamReader in(QByteArray::fromStdString(existing));
        if (!in.readNextStartElement() || in.name() != QLatin1String("actions"))
            return std::nullopt;
        // Each action is copied token by token into its own buffer, then kept unless its
        // unique-id marks it as ours.
        while (in.readNextStartElement()) {
            QString action;
            QXmlStreamWriter copy(&action);
            copy.writeCurrentToken(in);
            bool ours = false;
            int depth = 1;
            while (depth > 0 && !in.atEnd()) {
                in.readNext();
                if (in.isStartElement() && in.name() == QLatin1String("unique-id")) {
                    copy.writeCurrentToken(in);
                    const QString id = in.readElementText();
                    ours = id.startsWith(QLatin1String(kIdPrefix));
                    copy.writeCharacters(id);
                    copy.writeEndElement();
                    continue;
                }
                if (in.isStartElement())
                    ++depth;
                else if (in.isEndElement())
                    --depth;
                copy.writeCurrentToken(in);
            }
            if (in.hasError())
                return std::nullopt;
            if (!ours)
                actions += action + "\n";
        }
        if (in.hasError())
            return std::nullopt;
    }
    for (const bool folder : {false, true}) {
        if (!menu)
            break;
        for (const auto& command : folder ? menu->folderCommands : menu->commands) {
            QString action;
            QXmlStreamWriter out(&action);
            out.setAutoFormatting(true);
            out.setAutoFormattingIndent(-1);
            WriteAction(out, *menu, command, folder);
            actions += action.trimmed() + "\n";
        }
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n" + actions.toStdString() +
           "</actions>\n";
}

plat::Result<void> CThunarActions::Update(const IntegrationMenu* menu) {
    const std::string path = Path();
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    if (!exists && !menu)
        return plat::Ok{};
    const std::optional<std::string> existing = exists ? ReadActions(path) : SystemActions();
    if (!existing) // what cannot be read whole is never replaced
        return plat::Failure{path +
                             " cannot be read as a list of Thunar actions; it was left as it is."};
    const auto merged = Merge(*existing, menu);
    if (!merged)
        return plat::Failure{(exists ? path : std::string("the system's uca.xml")) +
                             " is not a well-formed list of Thunar actions; it was left as it is."};
    if (!ReplaceFile(path, *merged, 0644))
        return plat::Failure{"cannot write " + path};
    return plat::Ok{};
}

plat::Result<void> CThunarActions::Install(const IntegrationMenu& menu) {
    return Update(&menu);
}
plat::Result<void> CThunarActions::Remove() {
    return Update(nullptr);
}

} // namespace vtlmenu
