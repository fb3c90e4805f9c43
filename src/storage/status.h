#pragma once

#include <string>
#include <utility>

namespace korvalen {

// Storage error codes, numbered as the program's procedures test them.
// Distinct from WarningKind (the numbered message boxes): code 36 "invalid
// data file" is not warning kind 36 "View Open Error".
enum class ErrorCode : int
{
    None = 0,
    FileNotFound = 2,
    AccessDenied = 5,
    FileLocked = 32,     // another station has the file open exclusively
    NoRecord = 33,       // end or start of the file reached
    RecordNotFound = 35, // no record with that key or record number
    InvalidFile = 36,    // not a data file, or the wrong key
    FileNotOpen = 37,
    DuplicateKey = 40,
    RecordHeld = 43,     // held by another window or station
    KeysInvalid = 46,    // keys must be rebuilt
    LayoutMismatch = 47, // the file's record layout differs from the program's
    AlreadyOpen = 52,
    ChangedByOther = 89, // the watched record was changed or deleted meanwhile
    FileSystem = 90,     // the file system's own code and message are reported
};

// The outcome of a storage operation: a code and a message. For
// ErrorCode::FileSystem the message and the number shown are the file
// system's own (errno and its text).
class [[nodiscard]] Status
{
public:
    Status() = default;
    Status(ErrorCode code, std::string message, int systemCode = 0)
        : m_code(code), m_message(std::move(message)), m_systemCode(systemCode)
    {
    }

    static Status success() { return {}; }
    static Status fileSystem(int errnoValue, const std::string &context);

    bool ok() const { return m_code == ErrorCode::None; }
    ErrorCode code() const { return m_code; }
    bool is(ErrorCode code) const { return m_code == code; }
    const std::string &message() const { return m_message; }

    // The number shown to the user: the code, or the file system's own
    // number for ErrorCode::FileSystem.
    int displayCode() const;

    // "message (code)", the `err` of every standard warning.
    std::string text() const;

private:
    ErrorCode m_code = ErrorCode::None;
    std::string m_message;
    int m_systemCode = 0;
};

// The standard message of each code, used when the engine has nothing
// more exact to say.
const char *standardMessage(ErrorCode code);

} // namespace korvalen
