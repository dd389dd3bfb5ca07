#include "platform/mail/Mapi.h"

#include "platform/mail/ChildProcess.h"
#include "platform/mail/MailProgram.h"
#include "platform/mail/MailSpool.h"

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

namespace plat {

struct MailLibrary {
    MailProgram program;
};

namespace {

// A mail program that lets the user discard the message reports it with the shell's code for
// an interrupted command.
constexpr int EXIT_USER_ABORT = 130;

bool HasText(const char* text) {
    return text && *text;
}

void AddOption(std::vector<std::string>& arguments, const char* option, const std::string& value) {
    arguments.emplace_back(option);
    arguments.push_back(value);
}

ULONG AddRecipients(const MapiMessage& message, std::vector<std::string>& arguments) {
    for (ULONG i = 0; i < message.nRecipCount; ++i) {
        const MapiRecipDesc& recipient = message.lpRecips[i];
        const char* address =
            HasText(recipient.lpszAddress) ? recipient.lpszAddress : recipient.lpszName;
        if (!HasText(address))
            return MAPI_E_UNKNOWN_RECIPIENT;
        switch (recipient.ulRecipClass) {
        case MAPI_TO:
            AddOption(arguments, "--to", address);
            break;
        case MAPI_CC:
            AddOption(arguments, "--cc", address);
            break;
        case MAPI_BCC:
            AddOption(arguments, "--bcc", address);
            break;
        default:
            return MAPI_E_BAD_RECIPTYPE;
        }
    }
    return SUCCESS_SUCCESS;
}

std::string LastPart(const char* path) {
    if (!path)
        return {};
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// The name the recipient sees: the last part of the attachment's file name, else of its path.
std::string AttachmentName(const MapiFileDesc& file) {
    std::string name = LastPart(file.lpszFileName);
    if (name.empty() || name == "." || name == "..")
        name = LastPart(file.lpszPathName);
    return name;
}

ULONG ResultOf(const ChildExit& exit) {
    if (exit.exited && exit.status == 0)
        return SUCCESS_SUCCESS;
    if ((exit.exited && exit.status == EXIT_USER_ABORT) ||
        (exit.signalled && exit.signal == SIGINT))
        return MAPI_USER_ABORT;
    return MAPI_E_FAILURE;
}

// The send entry. Like the MAPI32.DLL stub, it finds the mail program anew at each call.
ULONG SendMail(LHANDLE, ULONG_PTR, MapiMessage* message, FLAGS flags, ULONG) {
    if (!(flags & MAPI_DIALOG))
        return MAPI_E_NOT_SUPPORTED;
    if (!message || (message->nRecipCount && !message->lpRecips) ||
        (message->nFileCount && !message->lpFiles))
        return MAPI_E_FAILURE;
    const auto program = FindMailProgram();
    if (!program || !program->usable)
        return MAPI_E_FAILURE;

    std::vector<std::string> arguments{program->path, "--utf8"};
    if (const ULONG result = AddRecipients(*message, arguments); result != SUCCESS_SUCCESS)
        return result;
    if (HasText(message->lpszSubject))
        AddOption(arguments, "--subject", message->lpszSubject);
    if (HasText(message->lpszNoteText))
        AddOption(arguments, "--body", message->lpszNoteText);

    // The copies' paths are made only below, but their lengths are known now: a message too big
    // for one start of the program is refused before anything is copied.
    std::vector<std::string> planned = arguments;
    for (ULONG i = 0; i < message->nFileCount; ++i) {
        planned.emplace_back("--attach");
        planned.emplace_back(CMailSpool::CopyPathLength(static_cast<int>(i) + 1,
                                                        AttachmentName(message->lpFiles[i])),
                             'x');
    }
    if (ProgramStartBytes(program->path, planned) > ProgramStartLimit())
        return MAPI_E_TOO_MANY_FILES;

    CMailSpool::SweepOld();
    CMailSpool spool;
    for (ULONG i = 0; i < message->nFileCount; ++i) {
        const MapiFileDesc& file = message->lpFiles[i];
        if (!HasText(file.lpszPathName))
            return MAPI_E_ATTACHMENT_NOT_FOUND;
        std::string copy;
        if (const ULONG result = spool.Add(file.lpszPathName, AttachmentName(file), copy);
            result != SUCCESS_SUCCESS)
            return result;
        AddOption(arguments, "--attach", copy);
    }

    const ULONG result = ResultOf(RunProgramAndWait(program->path, arguments));
    if (result == SUCCESS_SUCCESS)
        spool.Keep();
    return result;
}

} // namespace

HMAILLIB LoadMailLibrary() {
    auto program = FindMailProgram();
    return program ? new MailLibrary{*program} : nullptr;
}

LPMAPISENDMAIL GetMailProcAddress(HMAILLIB library, const char* name) {
    if (!library || !name || std::strcmp(name, "MAPISendMail") != 0 || !library->program.usable)
        return nullptr;
    return &SendMail;
}

void FreeMailLibrary(HMAILLIB library) {
    delete library;
}

std::size_t MailArgumentLimit() {
    return ProgramStartLimit();
}

} // namespace plat
