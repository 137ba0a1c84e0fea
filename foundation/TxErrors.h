#pragma once

#include <QString>

#include <exception>
#include <string>

// The program's one base class of errors. Every error carries a message for
// the user; handlers show it in the standard error box and the work goes on.
class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};

// A text that does not convert to the number asked for.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Reading or writing a file failed.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};
