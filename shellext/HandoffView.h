#pragma once
// The module's mapping of the user's hand-off block, opened or created on first use and kept
// for the life of the process: the block must outlive the handler that wrote it until the
// started application has read it, and one mapping per process spares one per right-click.
// Any thread may call; the mapping serves several threads at once.
#include "app/core/HandoffMapping.h"

#include <string>

namespace vtlext {

class CHandoffView {
public:
    // The mapping, or null when the block can neither be opened nor created; `refusal` then
    // says which path is in the way, why and what to do. Tried again on the next call.
    static CHandoffMapping* Get(std::string& refusal);
};

} // namespace vtlext
