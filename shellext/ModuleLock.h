#pragma once
// The module's lock count: one per live handler object, one per LockServer(TRUE), one while
// callers hold the class factory. DllCanUnloadNow allows unloading only at zero.
// Any thread may call: a host may use the module from several threads at once.
namespace vtlext {

class CModuleLock {
  public:
    static long Lock();
    static long Unlock();
    static long Count();
};

} // namespace vtlext
