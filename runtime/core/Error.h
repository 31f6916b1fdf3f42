#pragma once

// Errors are values throughout zemor. A failing operation returns an Error that carries a code,
// the text shown to the user and where it happened (the file or operation). Codes 2, 5, 40 and
// 46 are the file platform's own numbers, which the procedures test by number; the others are
// ours and are stable, so that they can be logged and compared.

#include <QString>

#include <expected>

namespace zemor::runtime {

enum class ErrorCode : int {
    None = 0,
    FileNotFound = 2,          // "File Not Found"
    AccessDenied = 5,          // "Access Denied": locked by another holder, or no permission
    DuplicateKey = 40,         // "Creates Duplicate Key"
    KeyFileMustBeRebuilt = 46, // "Key File Must Be Rebuilt": an index disagrees with the data

    RecordNotFound = 101,  // no record with the key values asked for
    EndOfFile = 102,       // a scan ran past the last (or first) record of its range
    FileNotOpen = 103,     // an operation on a handle that is not open
    NoCurrentRecord = 104, // put or delete without a record read before
    InvalidName = 105,     // a blank or otherwise unusable file name
    LayoutMismatch = 106,  // the file was written with another record layout
    IoError = 107,         // the operating system refused a read or write
    DiskFull = 108,        // no room left for the write
    DamagedFile = 109,     // not a file of this format, or its content is damaged
    InvalidData = 110,     // a value that does not decode (a packed digit above 9, a bad date)
    Overflow = 111,        // a value too large for the field it is stored into
    InvalidArgument = 112, // a call with arguments outside their range (a programming error)
    AlreadyExists = 113,   // a copy or rename onto a name that already exists
    Cancelled = 114,       // the user stopped a long run; what it had not finished is not written
};

// The platform's text for a code ("File Not Found", ...); our own codes have texts of ours.
QString errorText(ErrorCode code);

struct Error
{
    ErrorCode code = ErrorCode::None;
    QString message; // what went wrong, ready to be shown
    QString where;   // the file, key or operation concerned

    int number() const { return static_cast<int>(code); }
};

template <class T> using Result = std::expected<T, Error>;
using Status = std::expected<void, Error>;

// What a failure left undone, then why: the error's message and where it happened, one line
// each (a message box breaks its text at "|"), e.g. "Разрез не сохранен|Нет места на диске|...".
QString failureMessage(const QString &what, const Error &error);

// Builds the unexpected value of a Result: `return fail(ErrorCode::FileNotFound, path);`
// The message defaults to errorText(code).
std::unexpected<Error> fail(ErrorCode code, const QString &where = {}, const QString &message = {});

} // namespace zemor::runtime
