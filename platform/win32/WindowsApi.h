#pragma once
// The Windows headers, included once for the whole layer, and the few of their macros that
// stand where our layer has names of its own.
//
// REFIID, REFCLSID and REFGUID are macros there; they become the types they stand for, so that
// plat::REFIID names one on both platforms. Headers included after this one use them the same
// way. Everything else keeps the Windows headers' meaning: S_OK, E_INVALIDARG, SUCCEEDED,
// HRESULT_FROM_WIN32 and the other result macros are used unqualified (and HRESULT_FROM_WIN32,
// a macro that reads its argument twice, is given a value, never a call).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shlobj.h>

#undef REFIID
#undef REFCLSID
#undef REFGUID
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using REFGUID = const GUID&;
