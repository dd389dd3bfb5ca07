#pragma once
// The module's view of the user's hand-off block "vtl", opened or created on first use and
// kept for the life of the process: the block must outlive the handler that wrote it until
// the started application has read it, and one view per process spares a mapping per
// right-click. Any thread may call.
namespace vtlext {

class CHandoffView {
public:
    // The whole block, or null when it can neither be opened nor created (for one, when
    // another user owns a block of that name). Tried again on the next call.
    static unsigned char* Get();
};

} // namespace vtlext
