#include "storage/status.h"

#include <cstring>

namespace korvalen {

Status Status::fileSystem(int errnoValue, const std::string &context)
{
    std::string message = std::strerror(errnoValue);
    if (!context.empty())
        message = context + ": " + message;
    return Status(ErrorCode::FileSystem, message, errnoValue);
}

int Status::displayCode() const
{
    if (m_code == ErrorCode::FileSystem && m_systemCode != 0)
        return m_systemCode;
    return static_cast<int>(m_code);
}

std::string Status::text() const
{
    const std::string message = m_message.empty() ? standardMessage(m_code) : m_message;
    return message + " (" + std::to_string(displayCode()) + ")";
}

const char *standardMessage(ErrorCode code)
{
    switch (code) {
    case ErrorCode::None:
        return "No error";
    case ErrorCode::FileNotFound:
        return "File Not Found";
    case ErrorCode::AccessDenied:
        return "Access Denied";
    case ErrorCode::FileLocked:
        return "File Is Already Locked";
    case ErrorCode::NoRecord:
        return "Record Not Available";
    case ErrorCode::RecordNotFound:
        return "Record Not Found";
    case ErrorCode::InvalidFile:
        return "Invalid Data File";
    case ErrorCode::FileNotOpen:
        return "File Not Open";
    case ErrorCode::DuplicateKey:
        return "Creates Duplicate Key";
    case ErrorCode::RecordHeld:
        return "Record Is Already Held";
    case ErrorCode::KeysInvalid:
        return "Rebuild Keys";
    case ErrorCode::LayoutMismatch:
        return "Invalid Record Declaration";
    case ErrorCode::AlreadyOpen:
        return "File Already Open";
    case ErrorCode::ChangedByOther:
        return "Record Changed By Another Station";
    case ErrorCode::FileSystem:
        return "File System Error";
    }
    return "Unknown Error";
}

} // namespace korvalen
