#pragma once

// One way for the Linux tests to run a program as a process: its arguments, working directory, environment and
// limits, its standard output collected, its exit status or signal, and a time limit after which it is killed, so
// that a program that hangs fails the test instead of hanging it.

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

enum class EStdout {
    Pipe,        // a pipe the test reads to its end
    ClosedPipe,  // a pipe whose reading end is closed before the program starts
};

struct CProcessSetup {
    const char* pszProgram = nullptr;
    std::vector<std::string> arguments;  // after the program name, which is pszProgram
    std::optional<std::string> strDirectory;  // the working directory; the test's own when none
    EStdout out = EStdout::Pipe;
    bool bKeepStderr = false;                 // else standard error goes to /dev/null
    std::optional<rlim_t> nFileSizeLimit;     // RLIMIT_FSIZE in bytes
    std::optional<std::string> strHostName;   // set in a UTS namespace of the program's own
    std::optional<rlim_t> nAddressSpaceLimit;  // RLIMIT_AS in bytes
    std::vector<std::pair<std::string, std::string>> environment;  // set in the program's environment
    int nTimeLimitSeconds = 10;
};

struct CProcessResult {
    bool bStarted = false;
    bool bTimedOut = false;
    std::optional<int> nExitCode;  // none when a signal ended it; 126 when the setup failed, 127 when exec did
    std::optional<int> nSignal;
    std::string strOut;
};

// Starts the program as set up, reads what it writes to standard output and waits for it, killing it once the time
// limit has passed.
inline CProcessResult RunProcess(const CProcessSetup& setup)
{
    CProcessResult result;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return result;
    if (setup.out == EStdout::ClosedPipe)
        close(pipeFds[0]);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        if (!setup.bKeepStderr) {
            const int nNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
            if (nNull >= 0)
                dup2(nNull, STDERR_FILENO);
        }
        // The test runner may ignore SIGPIPE; the programs must cope with the default disposition.
        signal(SIGPIPE, SIG_DFL);
        signal(SIGXFSZ, SIG_DFL);
        if (setup.strDirectory && chdir(setup.strDirectory->c_str()) != 0)
            _exit(126);
        if (setup.nFileSizeLimit) {
            const rlimit limit = {*setup.nFileSizeLimit, *setup.nFileSizeLimit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                _exit(126);
        }
        for (const auto& [strName, strValue] : setup.environment)
            setenv(strName.c_str(), strValue.c_str(), 1);
        if (setup.nAddressSpaceLimit) {
            const rlimit limit = {*setup.nAddressSpaceLimit, *setup.nAddressSpaceLimit};
            if (setrlimit(RLIMIT_AS, &limit) != 0)
                _exit(126);
        }
        if (setup.strHostName) {
            if (unshare(CLONE_NEWUTS) != 0 || sethostname(setup.strHostName->data(), setup.strHostName->size()) != 0)
                _exit(126);
        }
        std::vector<char*> argv = {const_cast<char*>(setup.pszProgram)};
        for (const std::string& argument : setup.arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(setup.pszProgram, argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    if (pid < 0) {
        if (setup.out == EStdout::Pipe)
            close(pipeFds[0]);
        return result;
    }
    result.bStarted = true;

    timespec start {};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const auto elapsed = [&start] {
        timespec now {};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return (now.tv_sec - start.tv_sec) * 1000L + (now.tv_nsec - start.tv_nsec) / 1000000L;
    };
    const long nLimitMs = setup.nTimeLimitSeconds * 1000L;
    if (setup.out == EStdout::Pipe) {
        fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
        char chunk[4096];
        for (;;) {
            const ssize_t n = read(pipeFds[0], chunk, sizeof(chunk));
            if (n > 0) {
                result.strOut.append(chunk, static_cast<size_t>(n));
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EINTR) || elapsed() >= nLimitMs)
                break;
            usleep(2000);
        }
        close(pipeFds[0]);
    }
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 || elapsed() >= nLimitMs) {
            result.bTimedOut = true;
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        usleep(2000);
    }
    if (WIFEXITED(status))
        result.nExitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.nSignal = WTERMSIG(status);
    return result;
}
