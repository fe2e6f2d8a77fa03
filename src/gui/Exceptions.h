// The framework's exception types. Only these travel through the program:
// everything else reports failure as a result.
#pragma once
#include <stdexcept>
#include <string>

namespace gui {

// Base class of every exception the framework raises; the entry point shows
// these with the standard exception display.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// A file that could not be opened (a missing picture, for instance).
class EFOpenError : public Exception {
public:
    EFOpenError(const std::string& fileName, const std::string& reason);
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
};

// Text of a Win32 error code, without the trailing line break.
std::string SystemErrorText(unsigned long code);

} // namespace gui
