#include "platform/ui/SystemImageList.h"

#include "platform/shell/ShellInfo.h"

#include <QFileIconProvider>
#include <QMimeDatabase>

namespace plat {

namespace {

QIcon Themed(const char* name, const QIcon& fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), fallback);
}

QIcon MakeIcon(int index) {
    const QFileIconProvider provider;
    switch (index) {
    case SHICON_FILE:
        return provider.icon(QFileIconProvider::File);
    case SHICON_DESKTOP:
        return provider.icon(QFileIconProvider::Desktop);
    case SHICON_HOME:
        return Themed("user-home", provider.icon(QFileIconProvider::Folder));
    case SHICON_FOLDER:
        return provider.icon(QFileIconProvider::Folder);
    case SHICON_FOLDER_OPEN:
        return Themed("folder-open", provider.icon(QFileIconProvider::Folder));
    case SHICON_DOCUMENTS:
        return Themed("folder-documents", provider.icon(QFileIconProvider::Folder));
    case SHICON_COMPUTER:
        return provider.icon(QFileIconProvider::Computer);
    case SHICON_DRIVE:
        return provider.icon(QFileIconProvider::Drive);
    default:
        break;
    }
    const QMimeType type =
        QMimeDatabase().mimeTypeForName(QString::fromStdString(ShellIconMimeType(index)));
    return QIcon::fromTheme(
        type.iconName(),
        QIcon::fromTheme(type.genericIconName(), provider.icon(QFileIconProvider::File)));
}

} // namespace

QIcon CSystemImageList::GetIcon(int index) {
    if (const auto it = m_icons.find(index); it != m_icons.end())
        return it->second;
    const QIcon icon = MakeIcon(index);
    // A null icon is asked again next time: the theme or style may have been missing only now.
    if (!icon.isNull())
        m_icons.emplace(index, icon);
    return icon;
}

HIMAGELIST GetSystemImageList(bool small) {
    static CSystemImageList smallList(16);
    static CSystemImageList largeList(32);
    // Asked anew each time: a list that once had icons may have lost its style or theme.
    return MakeIcon(SHICON_FOLDER).isNull() ? nullptr : small ? &smallList : &largeList;
}

} // namespace plat
