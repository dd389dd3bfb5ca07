#include "app/model/MailFolder.h"

#include "platform/Paths.h"

#include <cstdlib>
#include <vector>

std::optional<std::string> CMailFolder::Reserve(const std::string& fname, const std::string& ext) {
    if (!m_bTried) {
        m_bTried = true;
        std::string pattern = plat::GetTempPath() + "vtl-mail-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()))
            m_strFolder = std::string(buffer.data()) + plat::PATH_SEPARATOR;
    }
    if (m_strFolder.empty())
        return std::nullopt;
    std::string name = fname + ext;
    for (int copy = 2; m_used.count(name); ++copy)
        name = fname + " (" + std::to_string(copy) + ")" + ext;
    m_used.insert(name);
    return m_strFolder + name;
}
