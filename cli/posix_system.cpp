// The command line's system on POSIX: texts are UTF-8 as written, so nothing is converted.
#include "cli/system.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "posix/posix_binary_file.h"
#include "posix/unique_fd.h"

namespace zel::cli {

namespace {

int descriptorOf(Stream stream) {
    switch (stream) {
        case Stream::input:
            return STDIN_FILENO;
        case Stream::output:
            return STDOUT_FILENO;
        case Stream::error:
            break;
    }
    return STDERR_FILENO;
}

int firstStreamError = 0;

bool streamFailed(int error) {
    if (firstStreamError == 0) {
        firstStreamError = error;
    }
    return false;
}

bool writeAll(int fd, const char* text, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t written = ::write(fd, text + done, size - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return streamFailed(written < 0 ? errno : ENOSPC);
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// What a signal that ends the program puts right first, read by its handler: the terminal of a
// prompt, with its echo off, and the progress line on standard error.
std::atomic<int> promptTerminal{-1};
struct termios terminalBeforePrompt;
std::atomic<std::size_t> progressWidth{0};
constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Only async-signal-safe calls. The signal, blocked while this runs, ends the process by its
// default action as soon as the handler returns.
extern "C" void endOnSignal(int signalNumber) {
    const int terminal = promptTerminal.load();
    if (terminal >= 0) {
        ::tcsetattr(terminal, TCSANOW, &terminalBeforePrompt);
    }
    if (std::size_t width = progressWidth.load(); width > 0) {
        static const char blanks[] = "\r                                                        ";
        ::write(STDERR_FILENO, "\r", 1);
        for (; width > 0;) {
            const std::size_t part = std::min(width, sizeof blanks - 2);
            if (::write(STDERR_FILENO, blanks + 1, part) <= 0) {
                break;
            }
            width -= part;
        }
        ::write(STDERR_FILENO, "\r", 1);
    }
    removeUnfinishedOutputsNow();
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

}  // namespace

std::vector<std::string> startProgram(int argc, char** argv) {
    for (const int signalNumber : endingSignals) {
        struct sigaction current {};
        if (::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
            continue;  // a program started to ignore it (nohup) goes on ignoring it
        }
        struct sigaction ending {};
        ending.sa_handler = endOnSignal;
        sigemptyset(&ending.sa_mask);
        ::sigaction(signalNumber, &ending, nullptr);
    }
    // A reader that has gone away fails the write (EPIPE) instead of ending the program there.
    ::signal(SIGPIPE, SIG_IGN);
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool isTerminal(Stream stream) {
    return ::isatty(descriptorOf(stream)) == 1;
}

bool writeText(Stream stream, const std::string& text) {
    return writeAll(descriptorOf(stream), text.data(), text.size());
}

bool syncOutput() {
    struct stat status {};
    if (::fstat(STDOUT_FILENO, &status) != 0 || !S_ISREG(status.st_mode)) {
        return true;
    }
    if (::fsync(STDOUT_FILENO) == 0 || errno == EINVAL || errno == EROFS) {
        return true;
    }
    return streamFailed(errno);
}

bool closeOutput() {
    // A descriptor that was never open (">&-") has nothing to close.
    if (::close(STDOUT_FILENO) == 0 || errno == EBADF || errno == EINTR) {
        return true;
    }
    return streamFailed(errno);
}

std::string streamFailure() {
    return firstStreamError != 0 ? std::strerror(firstStreamError) : "";
}

bool canPrompt() {
    return posix::UniqueFd(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)).valid();
}

std::optional<std::string> readHiddenLine(const std::string& prompt) {
    // The terminal itself, so that the prompt shows and the key is read there whatever standard
    // input and error are (a pipe of data, 2>/dev/null).
    const posix::UniqueFd terminal(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!terminal) {
        return std::nullopt;
    }
    const bool hidden = ::tcgetattr(terminal.get(), &terminalBeforePrompt) == 0;
    if (hidden) {
        promptTerminal = terminal.get();
        struct termios silent = terminalBeforePrompt;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        silent.c_lflag |= ECHONL;  // the line break still shows
        ::tcsetattr(terminal.get(), TCSAFLUSH, &silent);
    }
    // Asked once the echo is off: nothing typed in answer shows. The prompt is no output of the
    // program's: a terminal that takes it not is no failed run.
    const int failedBefore = firstStreamError;
    writeAll(terminal.get(), prompt.data(), prompt.size());
    std::string line;
    bool ended = false;
    for (char c = 0;;) {
        const ssize_t got = ::read(terminal.get(), &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ended = true;
            break;
        }
        if (c == '\n') {
            break;
        }
        line += c;
    }
    if (hidden) {
        ::tcsetattr(terminal.get(), TCSAFLUSH, &terminalBeforePrompt);
        promptTerminal = -1;
        if (ended) {
            writeAll(terminal.get(), "\n", 1);  // what follows starts a line of its own
        }
    }
    firstStreamError = failedBefore;
    if (ended && line.empty()) {
        return std::nullopt;
    }
    return line;
}

void clearLineOnInterrupt(std::size_t width) {
    progressWidth = width;
}

PathStyle pathStyle() {
    return PathStyle::posix;
}

bool isFolder(const std::string& name) {
    struct stat status {};
    return ::stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool nameFits(const std::string&) {
    return true;
}

std::unique_ptr<BinaryFile> systemFiles() {
    return std::make_unique<PosixBinaryFile>();
}

}  // namespace zel::cli
