#pragma once
// Unexpected failures. Every command of the user interface runs inside one
// wrapper that catches LorixError and shows its text in the error box; the
// command line prints it as "lorix-cli: TEXT" and exits 2.

#include <stdexcept>
#include <string>

namespace lorix {

class LorixError : public std::runtime_error {
  public:
    // A NUL of the text (a settings value may hold one) is shown as "^@":
    // the text is read as a C string, which would end there.
    explicit LorixError(const std::string& text) : std::runtime_error(Visible(text)) {}

  private:
    static std::string Visible(std::string text)
    {
        for (size_t p = text.find('\0'); p != std::string::npos; p = text.find('\0', p + 2))
            text.replace(p, 1, "^@");
        return text;
    }
};

// A setting or value that must be a decimal integer and is not.
class ConversionError : public LorixError {
  public:
    using LorixError::LorixError;
};

// A file that cannot be read, written, renamed or created.
class FileError : public LorixError {
  public:
    using LorixError::LorixError;
};

// A failed HTTP request (connection, time-out, status).
class HttpError : public LorixError {
  public:
    using LorixError::LorixError;
};

// A settings value that is well-formed text but unusable (an index outside
// the field list, a type without its own key, ...).
class SettingsError : public LorixError {
  public:
    using LorixError::LorixError;
};

} // namespace lorix
