#pragma once
// The system image lists: the icons behind the indexes of SHGetFileInfo (platform/shell),
// 16 px for the small list and 32 px for the large one, from the icon theme through
// QFileIconProvider and the MIME database. An icon is made the first time it is drawn, so a
// process that never shows a list pays nothing.
//
// User-interface thread only.
#include <QIcon>

#include <unordered_map>

namespace plat {

class CSystemImageList {
  public:
    explicit CSystemImageList(int size) : m_nSize(size) {}
    CSystemImageList(const CSystemImageList&) = delete;
    CSystemImageList& operator=(const CSystemImageList&) = delete;

    int GetIconSize() const { return m_nSize; }
    // The icon of an index; a type the theme has no picture for gets the plain file icon.
    QIcon GetIcon(int index);

  private:
    int m_nSize;
    std::unordered_map<int, QIcon> m_icons;
};

using HIMAGELIST = CSystemImageList*;

// The small (SHGFI_SMALLICON) or large list; null when no icons can be had at all (neither
// the icon theme nor the style gives a folder icon).
HIMAGELIST GetSystemImageList(bool small);

} // namespace plat
