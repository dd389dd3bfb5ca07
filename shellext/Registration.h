#pragma once
// What registering the module writes into the registry store, and what unregistering
// removes: the ProgIDs, the class key with its in-process server, the context-menu handler
// for every file type, and the approval of the extension.
// Called from DllRegisterServer/DllUnregisterServer on the host's thread.
#include "platform/com/HResult.h"

#include <string>

namespace vtlext {

class CRegistration {
  public:
    // Writes the hand-written entries, then the class's script. Running it again leaves the
    // same keys. The result is the script's: a hand-written entry that cannot be written
    // stops the entries after it and nothing else.
    static plat::HRESULT Register(const std::string& modulePath);
    // Removes the handler and approval entries, the two ProgID keys and the class key with
    // everything in it; "CLSID" itself stays.
    static plat::HRESULT Unregister();
};

} // namespace vtlext
