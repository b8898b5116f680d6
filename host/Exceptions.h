// The exceptions of the host runtime.
//
// Failures are thrown, never returned. Every host exception derives from HalvaneException,
// whose what() is the UTF-8 form of its message, so a caller can catch one type and report.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <exception>
#include <string>

/// The root of the host's exceptions; also the exception for failures the user sees.
class HLVHOST_API HalvaneException : public std::exception {
 public:
  explicit HalvaneException(TString message);
  ~HalvaneException() override;

  const TString& GetMessage() const noexcept { return m_message; }
  const char* what() const noexcept override { return m_what.c_str(); }

 private:
  TString m_message;
  std::string m_what;
};

/// A programming error, carrying where it was detected and what was asserted there.
class HLVHOST_API LogicException : public HalvaneException {
 public:
  LogicException(const char* file, int line, TString expression);
  ~LogicException() override;

  const char* GetFile() const noexcept { return m_file; }
  int GetLine() const noexcept { return m_line; }
  /// The asserted expression or the error text, such as "Null pointer dereferenced".
  const TString& GetExpression() const noexcept { return GetMessage(); }

 private:
  const char* m_file;
  int m_line;
};

/// Raises a LogicException for `expression` at `file`:`line`. Code raises one through the macros
/// below, which record the line of the failing statement itself.
[[noreturn]] HLVHOST_API void ThrowLogicException(const char* file, int line, const char* expression);
/// As above, for an error text built at run time.
[[noreturn]] HLVHOST_API void ThrowLogicException(const char* file, int line, const TString& text);

/// Checks a precondition; a false `condition` raises a LogicException naming it.
#define HLV_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : ThrowLogicException(__FILE__, __LINE__, #condition))

/// Raises a LogicException for `text` (a string literal or a TString) at this file and line. A
/// helper that words a failure returns the text and leaves the throw to its caller, so the
/// exception names the line where the failure was found rather than the helper's.
#define HLV_THROW_LOGIC(text) ThrowLogicException(__FILE__, __LINE__, (text))

/// Raises a LogicException for `message` in this file at the fixed `line`, wherever the throw
/// sits. For the few failures whose file and line are part of a builder's contract (hosts
/// recognise them by both): the line then stays what hosts expect as the file is edited.
#define HLV_THROW_LOGIC_AT(line, message) ThrowLogicException(__FILE__, (line), (message))

/// A failed command on a parameter bag.
class HLVHOST_API CommandException : public HalvaneException {
 public:
  using HalvaneException::HalvaneException;
  ~CommandException() override;
};

/// A parameter held a value of another type than the one asked for.
class HLVHOST_API TypeMismatchCommandException : public CommandException {
 public:
  explicit TypeMismatchCommandException(unsigned int parameterId);
  ~TypeMismatchCommandException() override;

  /// The parameter's id, or 0 when the value was handed over without one.
  unsigned int GetParameterId() const noexcept { return m_parameterId; }

 private:
  unsigned int m_parameterId;
};

/// Raises TypeMismatchCommandException for `parameterId` (0 when there is none).
[[noreturn]] HLVHOST_API void ThrowTypeMismatchCommandException(unsigned int parameterId);

/// Text that cannot be read as the value of a parameter.
class HLVHOST_API ParameterParseException : public HalvaneException {
 public:
  explicit ParameterParseException(unsigned int parameterId);
  ParameterParseException(unsigned int parameterId, const TString& detail);
  ~ParameterParseException() override;

  /// The parameter's id, or 0 when the text did not belong to one parameter.
  unsigned int GetParameterId() const noexcept { return m_parameterId; }

 private:
  unsigned int m_parameterId;
};

/// An enum value that has no string in its encoding.
class HLVHOST_API XMLEnumEncodingException : public HalvaneException {
 public:
  using HalvaneException::HalvaneException;
  ~XMLEnumEncodingException() override;
};

/// Text that names no value of an enum, when the caller asked for an error.
class HLVHOST_API XMLEnumDecodingException : public HalvaneException {
 public:
  using HalvaneException::HalvaneException;
  ~XMLEnumDecodingException() override;
};

namespace Implementation {

[[noreturn]] HLVHOST_API void ThrowXMLEnumEncodingException();
/// As above, naming the enum and the value that has no string.
[[noreturn]] HLVHOST_API void ThrowXMLEnumEncodingException(const char* enumName, long long value);
[[noreturn]] HLVHOST_API void ThrowXMLEnumDecodingException();
/// As above, naming the enum and the text that names no value.
[[noreturn]] HLVHOST_API void ThrowXMLEnumDecodingException(const char* enumName, const TString& text);

}  // namespace Implementation
