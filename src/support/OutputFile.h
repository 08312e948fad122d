#pragma once

#include <string>
#include <string_view>

namespace norvak {

// The one way a program writes its output: to the file of an -o option, or
// to standard output. Every tool's -o goes through it, under these rules:
//
// - A path that is a symbolic link is followed to the file it names (link
//   after link); the link stays as it is.
// - A regular file, or no file yet, is written beside its final place under
//   a temporary name and renamed over it when complete: it is replaced
//   whole, or, when the output fails, left as it was. The new file gets the
//   mode, owner and group of the file it replaces; when the owner or group
//   cannot be given (a run that is not root writing over another user's
//   file), or the file may not be written by the run, nothing is written.
// - A character device, a FIFO (a named pipe) or a socket is opened and
//   written where it stands, never replaced (`-o /dev/null` writes into the
//   system's node). The program's own standard output (`-o /dev/stdout`)
//   is written as it was opened (appended to after `>>`), and a file
//   reached through /proc otherwise is written where it stands.
// - A directory and a block device are refused.
// - A file that is an SQLite database (its first 16 bytes "SQLite format
//   3\0", whatever its name: the embedded repository, say) or an SQLite
//   journal is refused: an output never replaces a database.
//
// A refusal or failure leaves what is at the path as it was and names the
// reason; each tool ends with its own exit code for output not written.
class OutputFile {
  public:
    OutputFile() = default;
    // An output not committed is abandoned: its temporary file is removed
    // and the file it would have replaced is left as it was.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the output at `path` (standard output when empty) under the
    // rules above. False, with the reason in `failure`, when the target is
    // refused or cannot be opened; nothing is changed then. Opening a FIFO
    // waits for its reader.
    bool open(const std::string& path, std::string& failure);
    // Adds text to the output (written in pieces as it comes). False once a
    // write has failed; commit() then tells why.
    bool write(std::string_view text);
    // Completes the output: the last text written out and, for a file
    // replaced whole, flushed to the disk and renamed over the target. False,
    // with the reason in `failure`, when any of it failed (a replaced file is
    // then left as it was).
    bool commit(std::string& failure);

    // Whether the output replaces a file whole (rather than being written
    // where it stands, as standard output, a device or a FIFO are).
    bool replacesWhole() const { return !temporary_.empty(); }

  private:
    bool writeAll(std::string_view text); // the whole text, or the error kept
    bool flushBuffer();
    void abandon();

    int fd_ = -1;
    bool ownsFd_ = false;       // false for standard output, which stays open
    bool open_ = false;
    int error_ = 0;             // errno of the first failed write
    std::string target_;        // the final path a temporary file is renamed to
    std::string temporary_;     // the temporary file, while it exists
    std::string buffer_;
};

// The whole text written to `path` (standard output when empty) as one
// OutputFile writes it. False, with the reason in `failure`, when it was not.
bool writeOutputFile(const std::string& path, std::string_view text, std::string& failure);

// The whole text written to standard output and flushed; false, with the
// reason, when it could not be written completely.
bool writeStandardOutput(std::string_view text, std::string& failure);

// Whether these first bytes of a file are those of an SQLite database or of
// an SQLite journal (rollback journal or write-ahead log).
bool startsLikeSqliteFile(std::string_view firstBytes);

} // namespace norvak
