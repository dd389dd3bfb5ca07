#pragma once
// The root of every COM-shaped interface, and the class factory.
//
// Interfaces are abstract classes with only pure virtual methods and no virtual destructor,
// so each object's table of methods is exactly the Windows one: the three IUnknown methods
// first, then the interface's own in declaration order. An object is destroyed only by its
// own Release, never through an interface pointer.
#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

#ifdef _WIN32
namespace plat {

using ::BOOL;
using ::IClassFactory;
using ::IID_IClassFactory;
using ::IID_IUnknown;
using ::IUnknown;
using ::UINT;
using ::ULONG;

#else
namespace plat {

using ULONG = std::uint32_t;
using BOOL = int;
using UINT = unsigned int;

// {00000000-0000-0000-C000-000000000046}
constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00000001-0000-0000-C000-000000000046}
constexpr IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class IUnknown {
  public:
    virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

  protected:
    ~IUnknown() = default;
};

class IClassFactory : public IUnknown {
  public:
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

  protected:
    ~IClassFactory() = default;
};

#endif

// Signatures of the in-process server's exported entry points.
using PFN_DllGetClassObject = HRESULT (*)(REFCLSID rclsid, REFIID riid, void** ppv);
using PFN_DllCanUnloadNow = HRESULT (*)();
using PFN_DllRegisterServer = HRESULT (*)();
using PFN_DllUnregisterServer = HRESULT (*)();

} // namespace plat
