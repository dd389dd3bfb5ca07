#include "shellext/HandoffView.h"

#include <memory>
#include <mutex>

namespace vtlext {

CHandoffMapping* CHandoffView::Get(std::string& refusal) {
    static std::mutex lock;
    static std::unique_ptr<CHandoffMapping> mapping;
    std::lock_guard guard(lock);
    if (!mapping || !mapping->IsOpen()) {
        mapping = std::make_unique<CHandoffMapping>(true);
        refusal = mapping->Refusal();
    }
    return mapping->IsOpen() ? mapping.get() : nullptr;
}

} // namespace vtlext
