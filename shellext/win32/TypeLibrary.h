#pragma once
// The module's type library (resource TYPELIB 1: VTLEXTLib 1.0 with IVtlShellEx and the
// coclass VtlShellEx), its registration, and the type information that serves the handler's
// IDispatch face. Windows only.
//
// The type information is loaded once, on the first IDispatch call that needs it, under one
// module-wide lock, and released when the module is unloaded. Any thread may call.
#include "platform/com/Unknown.h"

#include <string>

namespace vtlext {

// Registers the type library of the module at `modulePath` (its TypeLib and Interface keys).
HRESULT RegisterTypeLibrary(const std::string& modulePath);
// Removes what RegisterTypeLibrary wrote; a library that is not registered counts as removed.
HRESULT UnregisterTypeLibrary();
// Tells the shell that file associations changed, so it reads the handlers again.
void NotifyAssociationsChanged();

// The type information of IVtlShellEx, from the registered library; null with its reason when
// it cannot be loaded. The caller receives a reference.
HRESULT GetVtlShellExTypeInfo(ITypeInfo** info);

} // namespace vtlext
