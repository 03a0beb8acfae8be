#pragma once

#include <QString>
#include <exception>

#include "platform/utf8.h"

// The failure every layer of the program raises: a message text for the operator.
// Subclasses name the kind of failure as the callers tell them apart.
class Exception : public std::exception {
 public:
  explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
  const QString& message() const noexcept { return message_; }
  const char* what() const noexcept override { return utf8_.constData(); }

 private:
  QString message_;
  QByteArray utf8_;
};

// A value could not be converted (text to number or date, variant to a type).
class EConvertError : public Exception { using Exception::Exception; };
// Arithmetic left the range of its type (money, integers).
class EOverflow : public Exception { using Exception::Exception; };
// Division of an exact value by zero.
class EZeroDivide : public Exception { using Exception::Exception; };
// A database or dataset operation failed; the message is the database's own.
class EDatabaseError : public Exception { using Exception::Exception; };
// A list or string index out of range, or an operation in the wrong state.
class EInvalidOperation : public Exception { using Exception::Exception; };
