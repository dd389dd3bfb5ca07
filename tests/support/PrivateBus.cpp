#include "tests/support/PrivateBus.h"

#include "tests/support/Sandbox.h"

#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>

extern char** environ;

namespace vtltest {
namespace {

pid_t Start(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + arguments[0]);
    return pid;
}

} // namespace

PrivateBus::PrivateBus(const std::string& portalAnswer, const std::string& notices)
    : m_dir(MakeTempDir("bus")) {
    WriteFile(m_dir + "/bus.conf",
              "<busconfig><type>session</type><listen>unix:path=" + m_dir +
                  "/socket</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                  "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                  "<allow own=\"*\"/></policy></busconfig>\n");
    m_bus = Start({"/usr/bin/dbus-daemon", "--nofork", "--nopidfile",
                   "--config-file=" + m_dir + "/bus.conf"});
    m_env.Set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_dir + "/socket");
    if (!WaitUntil([&] { return std::filesystem::exists(m_dir + "/socket"); }))
        throw std::runtime_error("the private bus did not start");
    if (portalAnswer.empty() && notices.empty())
        return;
    std::vector<std::string> arguments = {VTL_BIN_DIR "/vtl_test_portal", m_dir,
                                          portalAnswer.empty() ? "none" : portalAnswer};
    if (!notices.empty())
        arguments.push_back(notices);
    m_portal = Start(arguments);
    if (!WaitUntil([&] { return std::filesystem::exists(m_dir + "/ready"); }))
        throw std::runtime_error("the stand-in portal did not start");
}

PrivateBus::~PrivateBus() {
    for (const pid_t pid : {m_portal, m_bus})
        if (pid > 0)
            kill(pid, SIGTERM), waitpid(pid, nullptr, 0);
}

std::vector<PrivateBus::Call> PrivateBus::Calls() const {
    std::vector<Call> calls;
    for (int n = 1; std::filesystem::exists(m_dir + "/" + std::to_string(n)); ++n) {
        const std::string folder = m_dir + "/" + std::to_string(n) + "/";
        Call& call = calls.emplace_back(
            Call{ReadFile(folder + "subject"), ReadFile(folder + "body"), {}, {}});
        for (int k = 1; std::filesystem::exists(folder + std::to_string(k) + ".bytes"); ++k) {
            call.bytes.push_back(ReadFile(folder + std::to_string(k) + ".bytes"));
            call.names.push_back(ReadFile(folder + std::to_string(k) + ".name"));
        }
    }
    return calls;
}

std::vector<std::vector<std::string>> PrivateBus::Notices() const {
    std::vector<std::vector<std::string>> notices;
    for (int n = 1; std::filesystem::exists(m_dir + "/notice-" + std::to_string(n)); ++n) {
        const std::string folder = m_dir + "/notice-" + std::to_string(n) + "/";
        notices.push_back({ReadFile(folder + "summary"), ReadFile(folder + "body"),
                           ReadFile(folder + "actions")});
    }
    return notices;
}

} // namespace vtltest
