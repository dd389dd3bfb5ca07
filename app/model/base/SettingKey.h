#pragma once
// The settings key (settingkey::PATH under HKEY_CURRENT_USER) as its groups are read and
// written: the same calls over our registry file on Linux and over the real registry on
// Windows.
#include "app/model/base/SettingNames.h"
#include "platform/Registry.h"

#include <cstdint>
#include <functional>
#include <string>

// The key opened for reading; nullptr when it is not there (a first start).
plat::HKEY OpenSettingKey();

// A value that is missing, of another type or too large for its buffer leaves the member as
// it was, as the Windows calls with a fixed buffer would.
void ReadSettingDword(plat::HKEY key, const char* name, std::int32_t& member);

// The writes of one save group through one key handle; the first failure is kept.
class CSettingWriter {
  public:
    explicit CSettingWriter(plat::HKEY key) : m_key(key) {}
    void Dword(const char* name, std::int32_t value);
    void String(const char* name, const std::string& text);
    plat::LONG Result() const { return m_result; }

  private:
    void Keep(plat::LONG rc);
    plat::HKEY m_key;
    plat::LONG m_result = 0; // ERROR_SUCCESS
};

// Writes one group through the key, made when it is missing, and closes it: every value is
// checked, and over our registry file the group reaches it in one rewrite. The first failure's
// code, or ERROR_SUCCESS.
plat::LONG WriteSettingGroup(const std::function<void(CSettingWriter&)>& write);
