#pragma once
// The fixed identifiers of the extension module and its one class, shared by the module and
// its hosts.
#include "platform/com/Unknown.h"

namespace vtlext {

// {AE82044E-6E72-473E-A2AF-F732CB431E80}
constexpr plat::CLSID CLSID_VtlShellEx = {
    0xAE82044E, 0x6E72, 0x473E, {0xA2, 0xAF, 0xF7, 0x32, 0xCB, 0x43, 0x1E, 0x80}};
// {CB5A2E8B-D4D1-4CE7-9D75-51B75C0EECF3}
constexpr plat::IID IID_IVtlShellEx = {
    0xCB5A2E8B, 0xD4D1, 0x4CE7, {0x9D, 0x75, 0x51, 0xB7, 0x5C, 0x0E, 0xEC, 0xF3}};
// {C5E4D9CF-E056-45F9-8F47-21AA34091AC4}
constexpr plat::GUID LIBID_VTLEXTLib = {
    0xC5E4D9CF, 0xE056, 0x45F9, {0x8F, 0x47, 0x21, 0xAA, 0x34, 0x09, 0x1A, 0xC4}};

constexpr const char* PROGID_VERSIONED = "VtlExt.VtlShellEx.1";
constexpr const char* PROGID_INDEPENDENT = "VtlExt.VtlShellEx";
constexpr const char* CLASS_DESCRIPTION = "VtlShellEx Class";
constexpr const char* HANDLER_NAME = "vantrel";

// Where the file-manager side of the registry names its context-menu handler. (The
// application's own settings, which the handler reads too, are named in SettingNames.h.)
constexpr const char* HANDLER_KEY = "*\\shellex\\ContextMenuHandlers\\vantrel";

// The handler's commands, by menu offset: 0 "Resize...", 1 "Resize as default setting",
// 2 "Resize and mail". A menu offers those the user ticked under their own offsets.
constexpr unsigned COMMAND_COUNT = 3;
// InvokeCommand's answer for a command the user turned off (it has told the user so).
// (E_ACCESSDENIED, which is a macro on Windows.)
constexpr plat::HRESULT VTLEXT_E_TURNED_OFF = static_cast<plat::HRESULT>(0x80070005u);

// The module's file name, installed in the library folder beside the programs' one, and the
// application's, which a program installed for every user has beside the module.
#ifdef _WIN32
constexpr const char* MODULE_FILE_NAME = "VtlExt.dll";
constexpr const char* APPLICATION_FILE_NAME = "vtl.exe";
#else
constexpr const char* MODULE_FILE_NAME = "libVtlExt.so";
constexpr const char* APPLICATION_FILE_NAME = "vtl";
#endif

// Hosts fill this in with their way of showing a message: the module links no toolkit.
using MessageBoxHook = void (*)(const char* caption, const char* text);
using PFN_VtlExtSetMessageBoxHook = void (*)(MessageBoxHook hook);
constexpr const char* SET_MESSAGE_BOX_HOOK_EXPORT = "VtlExtSetMessageBoxHook";

} // namespace vtlext
