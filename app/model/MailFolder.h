#pragma once
// CMailFolder: the private folder of one "Resize and mail" run, made inside the temporary
// folder when the first output asks for it (mode 0700, a fresh unique name). Outputs are named
// after their sources; a second source of the same name gets "a (2).jpg", a third
// "a (3).jpg", so no output of the run replaces another, and nothing outside the folder is
// ever written.
//
// Used by the resize job on its worker thread, one object per run.
#include "platform/Result.h"

#include <set>
#include <string>

class CMailFolder {
  public:
    // The path for an output named fname + ext, distinct from every earlier one of the run; or
    // why the folder could not be made (asked once: later calls give the same answer).
    plat::Result<std::string> Reserve(const std::string& fname, const std::string& ext);

    // The folder with its trailing separator; "" before the first Reserve or if making it
    // failed.
    const std::string& Folder() const { return m_strFolder; }

  private:
    bool m_bTried = false;
    std::string m_strFolder;
    std::string m_strWhyNot; // why making the folder failed
    std::set<std::string> m_used;
};
