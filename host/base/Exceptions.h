#pragma once
#include <exception>
#include <string>

namespace kvl {

// The one base of every failure the program reports; the message is the user's text.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const noexcept { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }

private:
    std::string message_;
};

// An index outside a list's bounds.
class EListError : public Exception {
    using Exception::Exception;
};

// A text that does not convert to the asked-for number, date or time.
class EConvertError : public Exception {
    using Exception::Exception;
};

// A file that cannot be read or written.
class EFileError : public Exception {
    using Exception::Exception;
};

// An error raised by a database server or its client library.
class EKVL_DatabaseError : public Exception {
    using Exception::Exception;
};

// The connection to the server is gone (the server stopped, the session was killed, the network
// failed), or the work of its open transaction could not be kept: no later statement on it can
// make up for that, so whoever loops over statements stops here.
class EKVL_ConnectionLost : public EKVL_DatabaseError {
    using EKVL_DatabaseError::EKVL_DatabaseError;
};

} // namespace kvl
