#pragma once
// Mail sending with the calls, structures and result codes of Simple MAPI.
//
// The mail system is "loaded" and its one entry point "looked up" as MAPI32.DLL and
// MAPISendMail are on Windows, so callers keep that shape and a Win32 backend can map these
// calls one to one. On POSIX the mail system is a program: `xdg-email` found on PATH, or the
// program that the environment variable VTL_MAIL_COMMAND names (a path, or a name searched on
// PATH; the whole value is one program, nothing in it is split or interpreted).
//
//   LoadMailLibrary       fails (null) when no such program exists;
//   GetMailProcAddress    fails (null) when the program found cannot be run (not a regular
//                         file, or not executable), or when the entry is not "MAPISendMail";
//   the send entry        runs the program directly (no shell) with xdg-email's arguments
//                           --utf8 [--to A] [--cc A] [--bcc A] [--subject S] [--body B]
//                           [--attach F]...
//                         and waits until it exits. Empty or missing texts are left out.
//
// Attachments are first copied into a spool folder of their own, mode 0700, under
// ${XDG_CACHE_HOME:-~/.cache}/vantrel/outbox/, and the program is given those copies, each under
// the file name of its attachment. A mail program may read its attachments only when the user
// presses Send, long after the call returned, and callers delete their temporary files right
// after it; the copies stay until a later send sweeps spool folders older than 7 days. A send
// that does not succeed removes its spool folder at once.
//
// Results from the program's exit:
//   exit status 0                           SUCCESS_SUCCESS (the message was handed over)
//   exit status 130, or ended by SIGINT     MAPI_USER_ABORT (the user discarded the message;
//                                           130 is the shell's code for an interrupted command)
//   any other status or signal              MAPI_E_FAILURE
// Before the program runs: a message whose arguments do not fit one start of a program
// (ProgramStartLimit: thousands of attachments) gives MAPI_E_TOO_MANY_FILES before anything
// is copied, a missing attachment gives MAPI_E_ATTACHMENT_NOT_FOUND, one that
// cannot be read MAPI_E_ATTACHMENT_OPEN_FAILURE, a spool that cannot be written
// MAPI_E_ATTACHMENT_WRITE_FAILURE, a recipient of unknown class MAPI_E_BAD_RECIPTYPE, one
// without an address MAPI_E_UNKNOWN_RECIPIENT, and a call without MAPI_DIALOG
// MAPI_E_NOT_SUPPORTED (the program always shows its compose window; it cannot send unseen).
// There are no sessions: the session handle and the parent window are not used.
//
// The send entry blocks, as MAPISendMail does, until the mail program returns, which is when the
// person has sent or discarded the message: callers run it on a thread of their own (each
// message on one thread), so that no window waits for it. It touches nothing of the caller's
// but the message.
#include <cstddef>
#include <cstdint>

namespace plat {

using ULONG = std::uint32_t;
using FLAGS = std::uint32_t;
using LHANDLE = std::uintptr_t;
using ULONG_PTR = std::uintptr_t;

struct MapiRecipDesc {
    ULONG ulReserved;
    ULONG ulRecipClass; // MAPI_ORIG, MAPI_TO, MAPI_CC, MAPI_BCC
    char* lpszName;
    char* lpszAddress; // used when present, else the name
    ULONG ulEIDSize;
    void* lpEntryID;
};

struct MapiFileDesc {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    char* lpszPathName; // the file to attach
    char* lpszFileName; // the name the recipient sees (its last path part); none: the file's
    void* lpFileType;
};

struct MapiMessage {
    ULONG ulReserved;
    char* lpszSubject;
    char* lpszNoteText;
    char* lpszMessageType;
    char* lpszDateReceived;
    char* lpszConversationID;
    FLAGS flFlags;
    MapiRecipDesc* lpOriginator;
    ULONG nRecipCount;
    MapiRecipDesc* lpRecips;
    ULONG nFileCount;
    MapiFileDesc* lpFiles;
};

enum : ULONG { MAPI_ORIG = 0, MAPI_TO = 1, MAPI_CC = 2, MAPI_BCC = 3 };

enum : FLAGS { MAPI_LOGON_UI = 0x1, MAPI_NEW_SESSION = 0x2, MAPI_DIALOG = 0x8 };

enum : ULONG {
    SUCCESS_SUCCESS = 0,
    MAPI_USER_ABORT = 1,
    MAPI_E_USER_ABORT = MAPI_USER_ABORT,
    MAPI_E_FAILURE = 2,
    MAPI_E_LOGIN_FAILURE = 3,
    MAPI_E_LOGON_FAILURE = MAPI_E_LOGIN_FAILURE,
    MAPI_E_TOO_MANY_FILES = 9,
    MAPI_E_ATTACHMENT_NOT_FOUND = 11,
    MAPI_E_ATTACHMENT_OPEN_FAILURE = 12,
    MAPI_E_ATTACHMENT_WRITE_FAILURE = 13,
    MAPI_E_UNKNOWN_RECIPIENT = 14,
    MAPI_E_BAD_RECIPTYPE = 15,
    MAPI_E_NOT_SUPPORTED = 26,
};

using LPMAPISENDMAIL = ULONG (*)(LHANDLE lhSession, ULONG_PTR ulUIParam, MapiMessage* lpMessage,
                                 FLAGS flFlags, ULONG ulReserved);

struct MailLibrary;
using HMAILLIB = MailLibrary*;

// In place of LoadLibraryA("MAPI32.DLL"): null when the mail program cannot be found.
HMAILLIB LoadMailLibrary();
// In place of GetProcAddress: the send entry for "MAPISendMail", null when the program found
// is not usable or the name is another.
LPMAPISENDMAIL GetMailProcAddress(HMAILLIB library, const char* name);
// In place of FreeLibrary; null is accepted.
void FreeMailLibrary(HMAILLIB library);

// The most bytes of arguments and environment that one start of the mail program can take, for
// the message that tells the user why a send gave MAPI_E_TOO_MANY_FILES.
std::size_t MailArgumentLimit();

} // namespace plat
