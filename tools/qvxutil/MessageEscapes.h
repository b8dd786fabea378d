#ifndef QVXUTIL_MESSAGE_ESCAPES_H
#define QVXUTIL_MESSAGE_ESCAPES_H

#include <string>

#include "Command.h"

// Device messages typed on a command line: escapes written as the bytes they name.
namespace qvxutil {

namespace detail {
inline int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace detail

// \r \n \t \\ \0 and \xHH become those bytes; any other escape, a lone
// backslash at the end or \x without two hexadecimal digits is a UsageError.
inline std::string unescapeMessage(const std::string& text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] != '\\')
        {
            bytes += text[i];
            continue;
        }
        if (++i == text.size())
            throw qvxutil::UsageError{"MESSAGE ends in a lone backslash"};
        switch (text[i])
        {
        case 'r': bytes += '\r'; break;
        case 'n': bytes += '\n'; break;
        case 't': bytes += '\t'; break;
        case '0': bytes += '\0'; break;
        case '\\': bytes += '\\'; break;
        case 'x':
        {
            const int high = i + 1 < text.size() ? detail::hexDigit(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? detail::hexDigit(text[i + 2]) : -1;
            if (high < 0 || low < 0)
                throw qvxutil::UsageError{"\\x in MESSAGE needs two hexadecimal digits"};
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            throw qvxutil::UsageError{std::string("unknown escape in MESSAGE: \\") + text[i]};
        }
    }
    return bytes;
}

}  // namespace qvxutil

#endif
