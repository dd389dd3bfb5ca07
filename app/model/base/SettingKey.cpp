#include "app/model/base/SettingKey.h"

#include <cstring>

using namespace plat;

HKEY OpenSettingKey() {
    HKEY key = nullptr;
    return RegOpenKeyEx(HKEY_CURRENT_USER, settingkey::PATH, 0, KEY_READ, &key) == ERROR_SUCCESS
               ? key
               : nullptr;
}

void ReadSettingDword(HKEY key, const char* name, std::int32_t& member) {
    DWORD type = 0;
    BYTE data[4];
    DWORD size = sizeof data;
    if (RegQueryValueEx(key, name, &type, data, &size) == ERROR_SUCCESS && type == REG_DWORD &&
        size == 4)
        std::memcpy(&member, data, 4);
}

void CSettingWriter::Dword(const char* name, std::int32_t value) {
    BYTE data[4];
    std::memcpy(data, &value, 4);
    Keep(RegSetValueEx(m_key, name, REG_DWORD, data, 4));
}

void CSettingWriter::String(const char* name, const std::string& text) {
    Keep(RegSetValueEx(m_key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)));
}

void CSettingWriter::Keep(LONG rc) {
    if (m_result == ERROR_SUCCESS)
        m_result = rc;
}

LONG WriteSettingGroup(const std::function<void(CSettingWriter&)>& write) {
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyEx(HKEY_CURRENT_USER, settingkey::PATH, REG_OPTION_NON_VOLATILE,
                                   KEY_WRITE, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    CSettingWriter writer(key);
    write(writer);
    const LONG closed = RegCloseKey(key);
    return writer.Result() != ERROR_SUCCESS ? writer.Result() : closed;
}
