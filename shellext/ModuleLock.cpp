#include "shellext/ModuleLock.h"

#include <atomic>

namespace vtlext {

namespace {
std::atomic<long> g_locks{0};
}

long CModuleLock::Lock() {
    return ++g_locks;
}
long CModuleLock::Unlock() {
    return --g_locks;
}
long CModuleLock::Count() {
    return g_locks.load();
}

} // namespace vtlext
