#pragma once
// A stand-in mail program for the mail tests: a shell script, written into a fresh folder of
// the sandbox, that records its arguments and the bytes of every file passed after --attach
// at the moment it runs, then ends as told (for example "exit 0", "exit 4", "kill -INT $$").
// The program under test runs it as a real child process.
#include <string>
#include <vector>

namespace vtltest {

class FakeMailProgram {
  public:
    explicit FakeMailProgram(const std::string& ending = "exit 0");

    const std::string& Path() const { return m_path; }
    // Points VTL_MAIL_COMMAND at the script.
    void Install() const;

    bool Ran() const;
    // The arguments after argv[0], in order.
    std::vector<std::string> Arguments() const;
    // The paths given after --attach, and the bytes each had while the program ran.
    std::vector<std::string> AttachedPaths() const;
    std::vector<std::string> AttachedBytes() const;

  private:
    std::string m_path;
    std::string m_record;
};

} // namespace vtltest
