#pragma once
// FileListItem: what the browser knows of one listed entry, read when its folder is listed.
// Every string is "" and every number 0 after construction.
#include "platform/WinTypes.h"
#include "platform/shell/ShellMalloc.h"

#include <cstdint>
#include <string>

class FileListItem {
  public:
    virtual ~FileListItem() = default;

    int m_bUp = 0;     // the ".." row
    int m_bFolder = 0; // folders and ".."
    std::string
        m_strPath; // the full parsing name, exact bytes; "" for ".." and roots under Computer
    std::string m_strName; // the display name
    std::uint64_t m_nSize = 0;
    std::string m_strType;
    plat::FILETIME m_ftTime = 0; // the "Create Time" column's time; 0 when unknown
    plat::PidlPtr m_pidl;        // absolute; for "..", the shown folder's
    // Whether the "Size" and "Create Time" columns show m_nSize and m_ftTime: a file's size and
    // an entry's time when its facts could be read; never for "..", a folder's size or a root
    // under Computer.
    bool m_bShowsSize = false;
    bool m_bShowsTime = false;
};
