#pragma once
// Finds the program that the mail layer runs: the one VTL_MAIL_COMMAND names, else xdg-email.
// Called by the mail layer (Mapi.cpp) on the thread that sends a message, any thread.
#include <optional>
#include <string>

namespace plat {

struct MailProgram {
    std::string path;    // where it was found
    bool usable = false; // a regular file that this user may execute
};

// The value of VTL_MAIL_COMMAND when set and not empty, else "xdg-email". A name with a '/'
// is a path; a bare name is searched on PATH, where the first runnable match wins, as exec
// would pick it. Empty when nothing of that name exists.
std::optional<MailProgram> FindMailProgram();

// Whether VTL_MAIL_COMMAND names a program, which then takes every message.
bool MailCommandIsSet();

// The program `name` searched on PATH as above, whatever VTL_MAIL_COMMAND says.
std::optional<MailProgram> FindProgramOnPath(const std::string& name);

} // namespace plat
