#include "shellext/HandoffView.h"

#include "app/core/HandoffBlock.h"
#include "platform/SharedMemory.h"

#include <mutex>

namespace vtlext {

unsigned char* CHandoffView::Get(std::string& refusal) {
    static std::mutex lock;
    static unsigned char* view = nullptr;
    std::lock_guard guard(lock);
    if (!view) {
        // The view keeps the block alive after its handle is closed, as on Windows.
        plat::FileMapping* mapping = plat::CreateFileMapping(HandoffBlockName(), HANDOFF_BLOCK_SIZE, &refusal);
        view = static_cast<unsigned char*>(plat::MapViewOfFile(mapping));
        plat::CloseHandle(mapping);
    }
    return view;
}

} // namespace vtlext
