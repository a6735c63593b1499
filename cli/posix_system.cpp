// The command line's system on POSIX: texts are UTF-8 as written, so nothing is converted.
#include "cli/system.h"

#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>

#include "posix/posix_binary_file.h"

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

// The terminal as it was before the prompt turned its echo off, put back by a signal that
// ends the program meanwhile.
struct termios terminalBeforePrompt;
constexpr int promptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void restoreTerminalAndEnd(int signalNumber) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &terminalBeforePrompt);
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

}  // namespace

std::vector<std::string> startProgram(int argc, char** argv) {
    removeUnfinishedOutputsOnSignals();
    // A reader that has gone away fails the write (EPIPE) instead of ending the program there.
    ::signal(SIGPIPE, SIG_IGN);
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool isTerminal(Stream stream) {
    return ::isatty(descriptorOf(stream)) == 1;
}

bool writeText(Stream stream, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t written =
            ::write(descriptorOf(stream), text.data() + done, text.size() - done);
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

std::optional<std::string> readHiddenLine(const std::string& prompt) {
    const bool hidden = ::tcgetattr(STDIN_FILENO, &terminalBeforePrompt) == 0;
    struct sigaction before[std::size(promptSignals)] = {};
    if (hidden) {
        struct sigaction restoring {};
        restoring.sa_handler = restoreTerminalAndEnd;
        sigemptyset(&restoring.sa_mask);
        for (std::size_t i = 0; i < std::size(promptSignals); ++i) {
            ::sigaction(promptSignals[i], &restoring, &before[i]);
        }
        struct termios silent = terminalBeforePrompt;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        silent.c_lflag |= ECHONL;  // the line break still shows
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    // Asked once the echo is off: nothing typed in answer shows.
    writeText(Stream::error, prompt);
    std::string line;
    bool ended = false;
    for (char c = 0;;) {
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
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
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &terminalBeforePrompt);
        for (std::size_t i = 0; i < std::size(promptSignals); ++i) {
            ::sigaction(promptSignals[i], &before[i], nullptr);
        }
        if (ended) {
            writeText(Stream::error, "\n");  // what follows starts a line of its own
        }
    }
    if (ended && line.empty()) {
        return std::nullopt;
    }
    return line;
}

PathStyle pathStyle() {
    return PathStyle::posix;
}

bool nameFits(const std::string&) {
    return true;
}

std::unique_ptr<BinaryFile> systemFiles() {
    return std::make_unique<PosixBinaryFile>();
}

}  // namespace zel::cli
