// The exception family through which every failure reaches the user. Each class reports its own
// name, because the command line's error text and the dialog's stop box show it.
#pragma once

#include <exception>
#include <string>

namespace ostrel {

// The base class: raised as itself for failures that belong to no narrower family
// (for example "Invalid Base64 Character").
class Exception : public std::exception {
 public:
  // Remembers the code that raised it, which the command line's error text shows.
  explicit Exception(std::string message);
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }
  virtual const char* ClassName() const noexcept { return "Exception"; }
  const void* RaisedAt() const noexcept { return raisedAt_; }

 private:
  std::string message_;
  const void* raisedAt_;
};

// A date in an encoded name that its month lacks.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EConvertError"; }
};

class EStreamError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EStreamError"; }
};

class EFileStreamError : public EStreamError {
 public:
  using EStreamError::EStreamError;
  const char* ClassName() const noexcept override { return "EFileStreamError"; }
};

// An output file that cannot be created: "Cannot create file \"%s\". %s".
class EFCreateError : public EFileStreamError {
 public:
  using EFileStreamError::EFileStreamError;
  const char* ClassName() const noexcept override { return "EFCreateError"; }
};

// An input file that cannot be opened: "Cannot open file \"%s\". %s".
class EFOpenError : public EFileStreamError {
 public:
  using EFileStreamError::EFileStreamError;
  const char* ClassName() const noexcept override { return "EFOpenError"; }
};

// The cipher layer's failures: "Invalid file format" and "Error writing to temp file".
class ECipherException : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "ECipherException"; }
};

}  // namespace ostrel
