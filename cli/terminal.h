#pragma once
// Output to a terminal: text from a library may hold escape sequences that
// would move the cursor, retitle the window or rewrite what was printed
// before. On a terminal they are shown instead; piped output keeps its bytes.

#include <streambuf>

namespace lorix::cli {

// Passes bytes on to out, showing control characters visibly: the C0
// controls other than the line feed as "^@" to "^_" (ESC is "^["), DEL as
// "^?", and the C1 controls of UTF-8 text (U+0080 to U+009F) as "M-^@" to
// "M-^_".
class VisibleControlsBuf : public std::streambuf {
  public:
    explicit VisibleControlsBuf(std::streambuf* out) : m_out(out) {}
    ~VisibleControlsBuf() override;

  protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

  private:
    void Put(unsigned char c);
    std::streambuf* m_out;
    bool m_afterC2 = false; // a 0xC2 byte waits for the next one
};

} // namespace lorix::cli
