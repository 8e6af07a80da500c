#include "cli/terminal.h"

namespace lorix::cli {

VisibleControlsBuf::~VisibleControlsBuf()
{
    if (m_afterC2)
        m_out->sputc(static_cast<char>(0xC2));
    m_out->pubsync();
}

void VisibleControlsBuf::Put(unsigned char c)
{
    if (m_afterC2) {
        m_afterC2 = false;
        if (c >= 0x80 && c <= 0x9F) {
            m_out->sputn("M-^", 3);
            m_out->sputc(static_cast<char>(c - 0x80 + '@'));
            return;
        }
        m_out->sputc(static_cast<char>(0xC2));
    }
    if (c == 0xC2) {
        m_afterC2 = true;
    } else if ((c < 0x20 && c != '\n') || c == 0x7F) {
        m_out->sputc('^');
        m_out->sputc(c == 0x7F ? '?' : static_cast<char>(c + '@'));
    } else {
        m_out->sputc(static_cast<char>(c));
    }
}

VisibleControlsBuf::int_type VisibleControlsBuf::overflow(int_type c)
{
    if (!traits_type::eq_int_type(c, traits_type::eof()))
        Put(static_cast<unsigned char>(traits_type::to_char_type(c)));
    return traits_type::not_eof(c);
}

std::streamsize VisibleControlsBuf::xsputn(const char* s, std::streamsize n)
{
    for (std::streamsize i = 0; i < n; ++i)
        Put(static_cast<unsigned char>(s[i]));
    return n;
}

int VisibleControlsBuf::sync()
{
    return m_out->pubsync();
}

} // namespace lorix::cli
