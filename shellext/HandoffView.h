#pragma once
// The module's view of the user's hand-off block, opened or created on first use and kept for
// the life of the process: the block must outlive the handler that wrote it until the started
// application has read it, and one view per process spares a mapping per right-click. Any
// thread may call.
#include <string>

namespace vtlext {

class CHandoffView {
public:
    // The whole block, or null when it can neither be opened nor created; `refusal` then says
    // which path is in the way and why. Tried again on the next call.
    static unsigned char* Get(std::string& refusal);
};

} // namespace vtlext
