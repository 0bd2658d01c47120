// The class library's exception family. Low-level code raises these where the
// class library itself would raise; the program's own operations return flags.
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A text that is not a valid number or format.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Misuse of a list: an index out of range, a refused duplicate.
class EListError : public Exception {
public:
    using Exception::Exception;
};

class EStringListError : public EListError {
public:
    using EListError::EListError;
};

// Streams and the files behind them.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// Component streaming.
class EFilerError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EReadError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

class EWriteError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

class EClassNotFound : public EFilerError {
public:
    using EFilerError::EFilerError;
};

// A resource the program looks for is not in its module.
class EResNotFound : public Exception {
public:
    using Exception::Exception;
};
