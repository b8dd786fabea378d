#ifndef QVX_WIN32_WIDE_TEXT_H
#define QVX_WIN32_WIDE_TEXT_H

// 8-bit text (the ANSI code page, as the library's 8-bit calls use) to and
// from the UTF-16 text of the system's wide calls. Only win32/*.cpp include it.
#include <windows.h>

#include <string>

namespace qvx {
namespace platform {
namespace win32 {

inline std::wstring wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 1)
        return std::wstring();
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], n);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

inline std::string narrow(const wchar_t* text)
{
    if (text == nullptr)
        return std::string();
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return std::string();
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

}  // namespace win32
}  // namespace platform
}  // namespace qvx

#endif
