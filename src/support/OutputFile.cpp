// The one routine that writes every -o file of the tools, and standard output.
#include "support/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace norvak {

namespace {

// Text gathered before it is written out.
constexpr std::size_t bufferSize = 1 << 20;
// Symbolic links followed from one path before giving up, as the kernel does.
constexpr int mostLinks = 40;

std::string directoryOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string reasonOf(int error) {
    return std::strerror(error != 0 ? error : EIO);
}

// The file `path` names once its symbolic links are followed, link after
// link, relative ones from the folder of the link; it need not exist (a link
// to nothing names where the file is made). False, with the error, when a
// link cannot be read or there are too many.
bool followLinks(const std::string& path, std::string& final, int& error) {
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat status {};
        if (::lstat(current.c_str(), &status) != 0) {
            if (errno != ENOENT) {
                error = errno;
                return false;
            }
            final = current;
            return true;
        }
        if (!S_ISLNK(status.st_mode)) {
            final = current;
            return true;
        }
        if (links == mostLinks) {
            error = ELOOP;
            return false;
        }
        std::vector<char> target(4096);
        for (;;) {
            ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
            if (length < 0) {
                error = errno;
                return false;
            }
            if (static_cast<std::size_t>(length) < target.size()) {
                target.resize(static_cast<std::size_t>(length));
                break;
            }
            target.resize(target.size() * 2);
        }
        if (target.empty()) {
            error = ENOENT;
            return false;
        }
        std::string next(target.begin(), target.end());
        current = next[0] == '/' ? next : directoryOf(current) + "/" + next;
    }
}

// Whether the regular file at `path` is an SQLite database or journal. A
// file the run may not read is not taken for one (nothing can be told).
bool isSqliteFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    char first[16] = {};
    std::size_t got = 0;
    while (got < sizeof first) {
        ssize_t n = ::read(fd, first + got, sizeof first - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return startsLikeSqliteFile(std::string_view(first, got));
}

const char* const sqliteRefusal = "it is an SQLite database (or its journal), which an output never replaces";
const char* const companionRefusal =
    "it belongs to the SQLite database beside it (its journal, write-ahead log, shared memory or the lock file of "
    "the runs that change it), which an output never replaces";

// Whether the file is one an SQLite database beside it keeps, by its name:
// replacing the lock file would let two runs change the database at once,
// replacing the others would spoil the database.
bool isSqliteCompanion(const std::string& path) {
    for (std::string_view suffix : {"-journal", "-wal", "-shm", ".norvak-lock"}) {
        if (path.size() > suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0 &&
            isSqliteFile(path.substr(0, path.size() - suffix.size())))
            return true;
    }
    return false;
}

} // namespace

bool startsLikeSqliteFile(std::string_view firstBytes) {
    static constexpr std::string_view database("SQLite format 3\0", 16);
    static constexpr std::string_view journal("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    static constexpr std::string_view writeAheadLog("\x37\x7f\x06\x82", 4);
    static constexpr std::string_view writeAheadLogBigEndian("\x37\x7f\x06\x83", 4);
    for (std::string_view magic : {database, journal, writeAheadLog, writeAheadLogBigEndian})
        if (firstBytes.substr(0, magic.size()) == magic)
            return true;
    return false;
}

OutputFile::~OutputFile() {
    abandon();
}

void OutputFile::abandon() {
    if (ownsFd_ && fd_ >= 0)
        ::close(fd_);
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    fd_ = -1;
    ownsFd_ = false;
    open_ = false;
    temporary_.clear();
    buffer_.clear();
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity,readability-function-size)
bool OutputFile::open(const std::string& path, std::string& failure) {
    abandon();
    error_ = 0;
    if (path.empty()) {
        std::fflush(stdout); // anything the program printed there comes first
        fd_ = STDOUT_FILENO;
        open_ = true;
        return true;
    }

    std::string final;
    int error = 0;
    if (!followLinks(path, final, error)) {
        failure = reasonOf(error);
        return false;
    }
    // What is there, as the kernel finds it (through /proc's links too).
    struct stat existing {};
    bool exists = ::stat(path.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) {
        failure = reasonOf(errno);
        return false;
    }
    bool inPlace = false;
    if (exists) {
        if (S_ISDIR(existing.st_mode)) {
            failure = "it is a directory";
            return false;
        }
        if (S_ISBLK(existing.st_mode)) {
            failure = "it is a block device, which an output never writes to";
            return false;
        }
        if (!S_ISREG(existing.st_mode)) {
            inPlace = true; // a character device, a FIFO or a socket
        } else {
            if (isSqliteFile(path)) {
                failure = sqliteRefusal;
                return false;
            }
            if (isSqliteCompanion(final)) {
                failure = companionRefusal;
                return false;
            }
            // A regular file reached otherwise than through the links (a
            // link of /proc, such as /dev/stdout) is written where it stands.
            struct stat named {};
            inPlace = ::stat(final.c_str(), &named) != 0 || named.st_dev != existing.st_dev ||
                      named.st_ino != existing.st_ino;
            if (!inPlace && ::faccessat(AT_FDCWD, final.c_str(), W_OK, AT_EACCESS) != 0) {
                failure = reasonOf(errno); // a file the run may not write is not replaced either
                return false;
            }
        }
    }

    // The program's own standard output (-o /dev/stdout) is written as it
    // was opened: appended to after >>, from its start after >.
    struct stat standardOutput {};
    if (exists && ::fstat(STDOUT_FILENO, &standardOutput) == 0 && standardOutput.st_dev == existing.st_dev &&
        standardOutput.st_ino == existing.st_ino) {
        std::fflush(stdout);
        fd_ = STDOUT_FILENO;
        open_ = true;
        return true;
    }
    if (inPlace) {
        int flags = O_WRONLY | O_NOCTTY | O_CLOEXEC | (S_ISREG(existing.st_mode) ? O_TRUNC : 0);
        int fd = ::open(path.c_str(), flags);
        if (fd < 0) {
            failure = reasonOf(errno);
            return false;
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || S_ISDIR(opened.st_mode) || S_ISBLK(opened.st_mode) ||
            opened.st_ino != existing.st_ino || opened.st_dev != existing.st_dev) {
            ::close(fd);
            failure = "it changed while it was opened";
            return false;
        }
        fd_ = fd;
        ownsFd_ = true;
        open_ = true;
        return true;
    }

    // Written beside its final place and renamed over it when complete.
    std::string temporary = directoryOf(final) + "/.norvak-output.XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        failure = reasonOf(errno);
        return false;
    }
    fd_ = fd;
    ownsFd_ = true;
    temporary_ = temporary;
    target_ = final;
    bool ok = true;
    if (exists) {
        // The replacement is what the file was: its owner, group and mode
        // (the mode after the owner, which clears set-id bits).
        struct stat made {};
        ok = ::fstat(fd, &made) == 0;
        if (ok && (made.st_uid != existing.st_uid || made.st_gid != existing.st_gid) &&
            ::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            const int chownError = errno;
            failure = "its owner and group (uid " + std::to_string(existing.st_uid) + ", gid " +
                      std::to_string(existing.st_gid) + ") cannot be kept: " + std::strerror(chownError);
            abandon();
            return false;
        }
        ok = ok && ::fchmod(fd, existing.st_mode & 07777) == 0;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ok = ::fchmod(fd, static_cast<mode_t>(0666 & ~mask)) == 0;
    }
    if (!ok) {
        failure = reasonOf(errno);
        abandon();
        return false;
    }
    open_ = true;
    return true;
}

bool OutputFile::writeAll(std::string_view text) {
    std::size_t written = 0;
    while (error_ == 0 && written < text.size()) {
        ssize_t n = ::write(fd_, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            error_ = n < 0 ? errno : EIO;
        else
            written += static_cast<std::size_t>(n);
    }
    return error_ == 0;
}

bool OutputFile::flushBuffer() {
    writeAll(buffer_);
    buffer_.clear();
    return error_ == 0;
}

bool OutputFile::write(std::string_view text) {
    if (!open_ || error_ != 0)
        return false;
    if (buffer_.size() + text.size() <= bufferSize) {
        buffer_.append(text);
        return true;
    }
    if (!flushBuffer())
        return false;
    if (text.size() < bufferSize) {
        buffer_.append(text);
        return true;
    }
    // A large text goes out as it is, not copied.
    return writeAll(text);
}

bool OutputFile::commit(std::string& failure) {
    if (!open_) {
        failure = "the output is not open";
        return false;
    }
    bool ok = flushBuffer();
    if (ok && replacesWhole() && ::fsync(fd_) != 0) {
        error_ = errno;
        ok = false;
    }
    if (ownsFd_) {
        if (::close(fd_) != 0 && ok) {
            error_ = errno;
            ok = false;
        }
        fd_ = -1;
        ownsFd_ = false;
    }
    std::string reason;
    if (ok && replacesWhole()) {
        // The target may have become a database while the output was made.
        struct stat now {};
        if (::stat(target_.c_str(), &now) == 0 && S_ISREG(now.st_mode) && isSqliteFile(target_)) {
            reason = sqliteRefusal;
            ok = false;
        } else if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
            error_ = errno;
            ok = false;
        } else {
            temporary_.clear();
        }
    }
    if (!ok)
        failure = reason.empty() ? reasonOf(error_) : reason;
    abandon();
    return ok;
}

bool writeOutputFile(const std::string& path, std::string_view text, std::string& failure) {
    OutputFile output;
    if (!output.open(path, failure))
        return false;
    output.write(text);
    return output.commit(failure);
}

bool writeStandardOutput(std::string_view text, std::string& failure) {
    return writeOutputFile(std::string(), text, failure);
}

} // namespace norvak
