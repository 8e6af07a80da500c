#pragma once
// A field value as a reader of the printed bibliography sees it, for the main
// list when "display.unicode" is on. Stored values never pass through here.

#include <string>
#include <string_view>

namespace lorix {

// The value with LaTeX accent commands ({\"u}, \"{u}, \'e, \c{c}, \v{s}, ...),
// letter commands ({\ss}, {\aa}, \o, ...), the common text commands (\&, \%,
// \textendash, \ldots, ...), dashes (-- and ---), ties (~) and quote
// ligatures (`` and '') as the characters they stand for, font commands
// (\emph, \textbf, ...) dropped, and the braces of groups that only protect
// case dropped. The result is in the library's encoding: UTF-8 when utf8,
// Windows-1252 otherwise. A character that encoding cannot hold, a command
// this does not know, and math between $ signs stay as written, and so do
// the braces around them.
std::string LatexToText(std::string_view value, bool utf8);
// The same into out (its text replaced), reusing its memory.
void LatexToText(std::string_view value, bool utf8, std::string& out);

} // namespace lorix
