#include "app/model/MailFolder.h"

#include "platform/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

plat::Result<std::string> CMailFolder::Reserve(const std::string& fname, const std::string& ext) {
    if (!m_bTried) {
        m_bTried = true;
        const std::string temp = plat::GetTempPath();
        std::string pattern = temp + "vtl-mail-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()))
            m_strFolder = std::string(buffer.data()) + plat::PATH_SEPARATOR;
        else
            m_strWhyNot = "The folder of the pictures to mail could not be made in " + temp + ": " +
                          std::generic_category().message(errno) + ".";
    }
    if (m_strFolder.empty())
        return plat::Failure{m_strWhyNot};
    std::string name = fname + ext;
    for (int copy = 2; m_used.count(name); ++copy)
        name = fname + " (" + std::to_string(copy) + ")" + ext;
    m_used.insert(name);
    return m_strFolder + name;
}
