#include "tests/support/posix_runs.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zel::test {

namespace {

std::runtime_error failure(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

// Removes the entry `name` of the open folder, and all it holds; by descriptors, so that a tree
// deeper than the longest path the system takes goes too.
void removeTreeAt(int folder, const char* name) {
    if (::unlinkat(folder, name, 0) == 0 || (errno != EISDIR && errno != EPERM)) {
        return;
    }
    const int inner = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (DIR* entries = inner >= 0 ? ::fdopendir(inner) : nullptr) {
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(entries)) {
            const std::string entryName = entry->d_name;
            if (entryName != "." && entryName != "..") {
                names.push_back(entryName);
            }
        }
        for (const std::string& entryName : names) {
            removeTreeAt(::dirfd(entries), entryName.c_str());
        }
        ::closedir(entries);
    }
    ::unlinkat(folder, name, AT_REMOVEDIR);
}

// Into the folder, part by part where its path is too long for one call.
bool changeFolder(const std::string& folder) {
    if (::chdir(folder.c_str()) == 0) {
        return true;
    }
    if (errno != ENAMETOOLONG) {
        return false;
    }
    if (folder.front() == '/' && ::chdir("/") != 0) {
        return false;
    }
    for (std::size_t start = 0; start < folder.size();) {
        const std::size_t end = std::min(folder.find('/', start), folder.size());
        const std::string part = folder.substr(start, end - start);
        if (!part.empty() && ::chdir(part.c_str()) != 0) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

// In the child: into the folder and on to the program; 127 if that fails.
[[noreturn]] void execIn(const std::string& folder, const std::vector<std::string>& command) {
    std::vector<char*> arguments;
    for (const std::string& argument : command) {
        arguments.push_back(const_cast<char*>(argument.c_str()));
    }
    arguments.push_back(nullptr);
    if (changeFolder(folder)) {
        ::execv(arguments[0], arguments.data());
    }
    ::_exit(127);
}

int statusOf(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Reads whatever the descriptor has; false at its end.
bool readSome(int fd, std::string& into) {
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
        return true;
    }
    if (got <= 0) {
        return false;
    }
    into.append(buffer, static_cast<std::size_t>(got));
    return true;
}

}  // namespace

TempFolder::TempFolder(const std::string& base) {
    const char* temporary = std::getenv("TMPDIR");
    std::string pattern =
        (base.empty() ? (temporary != nullptr ? temporary : "/tmp") : base) + "/zel-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw failure("cannot make a folder in " + pattern);
    }
    path_ = pattern;
}

TempFolder::~TempFolder() {
    removeTreeAt(AT_FDCWD, path_.c_str());
}

std::vector<std::string> TempFolder::names() const {
    return namesIn(path_);
}

std::vector<std::string> namesIn(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* folder = ::opendir(path.c_str())) {
        while (const dirent* entry = ::readdir(folder)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(folder);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0) {
        throw failure("cannot make " + path);
    }
}

void writeWholeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

Bytes readWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void makeSparseFile(const std::string& path, int64_t length) {
    writeWholeFile(path, {});
    if (::truncate(path.c_str(), static_cast<off_t>(length)) != 0) {
        throw failure("cannot make " + path);
    }
}

ProgramRun runToEnd(const std::vector<std::string>& command, const std::string& folder,
                    const std::string& input, StandardOutput output) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
        throw failure("cannot make pipes");
    }
    if (output == StandardOutput::readerGone) {
        ::close(out[0]);
        out[0] = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        if (output == StandardOutput::fullDisk) {
            ::dup2(::open("/dev/full", O_WRONLY), STDOUT_FILENO);
        } else if (output == StandardOutput::closed) {
            ::close(STDOUT_FILENO);
        }
        ::dup2(err[1], STDERR_FILENO);
        execIn(folder, command);
    }
    for (const int fd : {in[0], out[1], err[1]}) {
        ::close(fd);
    }
    // Short inputs fit the pipe: written whole before anything is read.
    const ::sighandler_t before = ::signal(SIGPIPE, SIG_IGN);
    if (::write(in[1], input.data(), input.size()) < 0) {
        // The program ended without reading it.
    }
    ::signal(SIGPIPE, before);
    ::close(in[1]);

    ProgramRun run;
    pollfd streams[] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[] = {&run.output, &run.error};
    for (int open = 2; open > 0;) {
        if (::poll(streams, 2, -1) < 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (streams[i].fd >= 0 && streams[i].revents != 0 &&
                !readSome(streams[i].fd, *texts[i])) {
                ::close(streams[i].fd);
                streams[i].fd = -1;
                --open;
            }
        }
    }
    run.status = statusOf(child);
    return run;
}

StartedProgram::StartedProgram(const std::vector<std::string>& command, const std::string& folder,
                               const std::string& outputFile) {
    id_ = ::fork();
    if (id_ == 0) {
        const int nothing = ::open("/dev/null", O_RDWR);
        for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
            ::dup2(nothing, stream);
        }
        if (!outputFile.empty()) {
            ::dup2(::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        }
        execIn(folder, command);
    }
    if (id_ < 0) {
        throw failure("cannot start " + command.front());
    }
}

StartedProgram::~StartedProgram() {
    if (id_ > 0) {
        stop(SIGKILL);
    }
}

std::vector<std::string> StartedProgram::openFiles() const {
    const std::string fds = "/proc/" + std::to_string(id_) + "/fd";
    std::vector<std::string> targets;
    for (const std::string& fd : namesIn(fds)) {
        char target[4096];
        const ssize_t length = ::readlink((fds + "/" + fd).c_str(), target, sizeof target);
        if (length > 0) {
            targets.emplace_back(target, static_cast<std::size_t>(length));
        }
    }
    return targets;
}

int StartedProgram::stop(int signalNumber) {
    ::kill(id_, signalNumber);
    const int status = statusOf(id_);
    id_ = -1;
    return status;
}

TerminalRun runAtTerminal(const std::vector<std::string>& command, const std::string& folder,
                          const std::string& typed, const WhileShowing& meanwhile) {
    int terminal = -1, programSide = -1;
    termios before{};
    if (::openpty(&terminal, &programSide, nullptr, nullptr, nullptr) != 0 ||
        ::tcgetattr(programSide, &before) != 0) {
        throw failure("cannot open a terminal");
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // A session of its own with the terminal as its controlling one, so that /dev/tty is
        // it, as login_tty makes it.
        ::close(terminal);
        ::setsid();
        ::ioctl(programSide, TIOCSCTTY, 0);
        for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
            ::dup2(programSide, stream);
        }
        if (programSide > STDERR_FILENO) {
            ::close(programSide);
        }
        execIn(folder, command);
    }
    ::close(programSide);
    if (child < 0) {
        throw failure("cannot start " + command.front() + " at a terminal");
    }
    TerminalRun run;
    bool typedYet = typed.empty();
    bool watching = static_cast<bool>(meanwhile);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    // The terminal reads EIO once the program and all it started have closed it.
    while (std::chrono::steady_clock::now() < end) {
        pollfd shown{terminal, POLLIN, 0};
        if (::poll(&shown, 1, 100) > 0 && !readSome(terminal, run.output)) {
            break;
        }
        // Typed once the program has asked (shown something), so that its echo is off by then.
        if (!typedYet && !run.output.empty()) {
            typedYet =
                ::write(terminal, typed.data(), typed.size()) == static_cast<ssize_t>(typed.size());
        }
        if (watching && meanwhile(child, run.output)) {
            watching = false;
        }
    }
    if (std::chrono::steady_clock::now() >= end) {
        ::kill(child, SIGKILL);
    }
    run.status = statusOf(child);
    // This end, still open, keeps the terminal and its settings after the program has gone.
    termios after{};
    run.settingsKept = ::tcgetattr(terminal, &after) == 0 && after.c_iflag == before.c_iflag &&
                       after.c_oflag == before.c_oflag && after.c_cflag == before.c_cflag &&
                       after.c_lflag == before.c_lflag &&
                       std::equal(std::begin(after.c_cc), std::end(after.c_cc), before.c_cc);
    ::close(terminal);
    return run;
}

TracedRun runTraced(const std::vector<std::string>& command, const std::string& folder,
                    const std::string& calls) {
    const TempFolder traceFolder;
    // LeakSanitizer cannot work under ptrace: a sanitized program is traced without it.
    std::vector<std::string> traced = {"/usr/bin/env", "LSAN_OPTIONS=detect_leaks=0", "strace"};
    traced.insert(traced.end(),
                  {"-f", "-y", "-qq", "-e", "trace=" + calls, "-o", traceFolder / "trace"});
    traced.insert(traced.end(), command.begin(), command.end());
    TracedRun run;
    static_cast<ProgramRun&>(run) = runToEnd(traced, folder);
    std::ifstream trace(traceFolder / "trace");
    for (std::string line; std::getline(trace, line);) {
        run.calls.push_back(line);
    }
    return run;
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

}  // namespace zel::test
