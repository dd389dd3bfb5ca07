#pragma once
// What keeps every exception inside the module: its callers are file managers written in C,
// where an exception (an allocation that failed, for one) would end the whole program. Every
// exported entry point and every interface method that returns a result runs its body here.
#include "platform/com/HResult.h"

#include <new>

namespace vtlext {

// The body's result; E_OUTOFMEMORY when it ran out of memory, E_UNEXPECTED for any other
// exception.
template <typename Body> plat::HRESULT ExceptionBarrier(Body&& body) noexcept {
    using namespace plat; // the codes are macros on Windows
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace vtlext
