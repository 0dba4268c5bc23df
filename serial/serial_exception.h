#pragma once

#include <cstdint>

namespace vindrel {

// Base of the utility's exceptions. Thrown by value, caught by reference.
class CException {
 public:
  virtual ~CException() = default;

  // Copies the error's text into text (capacity characters including the terminator; the text is
  // cut to capacity - 1). Returns false, with an empty text, when there is no text for the error.
  // helpContext, when given, receives 0: the utility has no help file.
  virtual bool GetErrorText(char* text, unsigned capacity,
                            unsigned* helpContext = nullptr) const = 0;
};

// A failed operating-system call of the serial line; errorCode is the system's code (errno on
// Linux, GetLastError on Windows).
class CSerialException : public CException {
 public:
  explicit CSerialException(std::uint32_t code) : errorCode(code) {}

  // The system's message for errorCode (Linux: the C library's; Windows: FormatMessageA's, without
  // its closing line break); false for a code the system has no message for.
  bool GetErrorText(char* text, unsigned capacity, unsigned* helpContext = nullptr) const override;

  std::uint32_t errorCode;
};

// What a failed open of a port means to its user.
enum class SerialErrorKind {
  Missing,  // no device behind the port's name: nothing plugged in, unplugged, an unmapped number
  Refused,  // the user may not open the device (Linux only: Windows reports a held port so)
  Busy,     // another program holds the port
  Other,
};

// The kind of errorCode, a code CSerialException carries. Defined beside RaiseSerialError, the one
// place per platform that knows the system's codes.
SerialErrorKind ClassifySerialError(std::uint32_t errorCode);

// The one place serial failures are raised. Code 0 means "the call that has just failed": the
// current errno (Windows: GetLastError) is taken instead.
[[noreturn]] void RaiseSerialError(std::uint32_t code = 0);

}  // namespace vindrel
