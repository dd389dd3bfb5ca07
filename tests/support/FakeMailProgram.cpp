#include "tests/support/FakeMailProgram.h"

#include "tests/support/Sandbox.h"

#include <cstdlib>
#include <filesystem>

namespace vtltest {

FakeMailProgram::FakeMailProgram(const std::string& ending) {
    const std::string dir = MakeTempDir("fake-mailer");
    m_path = dir + "/mailer";
    m_record = dir + "/record";
    // Each attachment's bytes in attach.1, attach.2, ..., the arguments each ended by a NUL, and
    // last an empty "ran": a test that sees it may read everything.
    WriteFile(m_path, "#!/bin/sh\nrec='" + m_record +
                          "'\nmkdir \"$rec\" || exit 99\n"
                          "n=0; prev=\n"
                          "for a in \"$@\"; do\n"
                          "  if [ \"$prev\" = --attach ]; then\n"
                          "    n=$((n+1)); cat -- \"$a\" > \"$rec/attach.$n\" 2>/dev/null\n"
                          "  fi\n"
                          "  prev=$a\n"
                          "done\n"
                          "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$rec/args\"\n"
                          ": > \"$rec/ran\"\n" +
                          ending + "\n");
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all);
}

void FakeMailProgram::Install() const {
    setenv("VTL_MAIL_COMMAND", m_path.c_str(), 1);
}

bool FakeMailProgram::Ran() const {
    return std::filesystem::exists(m_record + "/ran");
}

std::vector<std::string> FakeMailProgram::Arguments() const {
    std::vector<std::string> arguments;
    const std::string all = ReadFile(m_record + "/args");
    for (std::size_t start = 0, end; start < all.size(); start = end + 1)
        arguments.push_back(all.substr(start, (end = all.find('\0', start)) - start));
    return arguments;
}

std::vector<std::string> FakeMailProgram::AttachedPaths() const {
    std::vector<std::string> paths;
    const std::vector<std::string> arguments = Arguments();
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == "--attach")
            paths.push_back(arguments[++i]);
    return paths;
}

std::vector<std::string> FakeMailProgram::AttachedBytes() const {
    std::vector<std::string> bytes;
    for (std::size_t i = 1, count = AttachedPaths().size(); i <= count; ++i)
        bytes.push_back(ReadFile(m_record + "/attach." + std::to_string(i)));
    return bytes;
}

} // namespace vtltest
