// Running the shipped player as its own process, as a person or a host
// would: started with a settings folder of its own on the SDL backend, its
// output kept, waited for, and its processor time read from /proc.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vesper::test {

using Clock = std::chrono::steady_clock;

inline constexpr auto kPollInterval = std::chrono::milliseconds(50);

inline bool PollUntil(const std::function<bool()>& condition, Clock::duration timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

// A program started with its own settings folder and the SDL backend, its
// output kept in a file; killed and reaped on destruction if it still runs.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::filesystem::path& configFolder, const std::filesystem::path& outputFile)
        : m_outputFile(outputFile)
    {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry)
            if (!StartsWith(*entry, "XDG_CONFIG_HOME=") && !StartsWith(*entry, "VESPER_DISPLAY="))
                environment.emplace_back(*entry);
        environment.push_back("XDG_CONFIG_HOME=" + configFolder.string());
        environment.push_back("VESPER_DISPLAY=sdl");

        std::vector<std::string> argv{program};
        argv.insert(argv.end(), args.begin(), args.end());

        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
        const std::vector<char*> argPointers = Pointers(argv);
        const std::vector<char*> environmentPointers = Pointers(environment);
        if (posix_spawn(&m_pid, program.c_str(), &files, nullptr, argPointers.data(), environmentPointers.data()) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&files);
    }

    ~ChildProcess()
    {
        if (Running()) {
            kill(m_pid, SIGKILL);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
    }

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }

    // Whether the process still runs; reaps it once it has ended.
    bool Running()
    {
        if (m_pid <= 0 || m_status)
            return false;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) != m_pid)
            return true;
        m_status = status;
        return false;
    }

    // The wait status once the process has ended.
    std::optional<int> WaitStatus() const { return m_status; }
    // The exit code once the process has ended by itself; none otherwise.
    std::optional<int> ExitCode() const
    {
        if (!m_status || !WIFEXITED(*m_status))
            return std::nullopt;
        return WEXITSTATUS(*m_status);
    }

    // Seconds of processor time (user and system) the running process used
    // so far, from /proc; none once it has ended.
    std::optional<double> ProcessorSeconds() const
    {
        std::ifstream in("/proc/" + std::to_string(m_pid) + "/stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t afterName = stat.rfind(") ");
        if (afterName == std::string::npos)
            return std::nullopt;
        std::istringstream fields(stat.substr(afterName + 2));
        std::string field;
        long user = 0;
        long system = 0;
        // After the name: state is field 3; utime and stime are fields 14 and 15.
        for (int number = 3; number <= 15 && fields >> field; ++number) {
            if (number == 14)
                user = std::stol(field);
            if (number == 15)
                system = std::stol(field);
        }
        return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

    std::string Output() const
    {
        std::ifstream in(m_outputFile);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    static bool StartsWith(const char* text, const char* prefix)
    {
        return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
    }

    static std::vector<char*> Pointers(const std::vector<std::string>& texts)
    {
        std::vector<char*> pointers;
        for (const std::string& text : texts)
            pointers.push_back(const_cast<char*>(text.c_str()));
        pointers.push_back(nullptr);
        return pointers;
    }

    pid_t m_pid = -1;
    std::optional<int> m_status;
    std::filesystem::path m_outputFile;
};

}  // namespace vesper::test
