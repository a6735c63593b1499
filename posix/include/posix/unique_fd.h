// A move-only owner of a POSIX file descriptor.
#pragma once

#include <unistd.h>

#include <utility>

namespace zel::posix {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }

    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (valid()) {
            ::close(fd_);
        }
        fd_ = fd;
    }
    // Closes the descriptor now; false (errno set) when the system reports that closing failed.
    // The descriptor is gone either way: a close is never tried twice.
    bool close() { return !valid() || ::close(release()) == 0; }

private:
    int fd_ = -1;
};

}  // namespace zel::posix
