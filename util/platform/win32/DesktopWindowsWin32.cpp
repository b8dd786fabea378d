// FindWindow, SetWindowPos, ShowWindow and GetWindowThreadProcessId behind
// the desktop windows facility: the top-level windows of the desktop, by
// their exact title.
#include "DesktopWindows.h"

#include <windows.h>

namespace qvx {
namespace platform {

namespace {

std::string titleOf(HWND window)
{
    const int length = ::GetWindowTextLengthA(window);
    if (length <= 0)
        return std::string();
    std::string title(static_cast<std::size_t>(length) + 1, '\0');
    const int got = ::GetWindowTextA(window, &title[0], length + 1);
    title.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return title;
}

BOOL CALLBACK collect(HWND window, LPARAM context)
{
    auto& windows = *reinterpret_cast<std::vector<DesktopWindow>*>(context);
    DesktopWindow w;
    w.title = titleOf(window);
    RECT r{};
    if (::GetWindowRect(window, &r))
    {
        w.x = r.left;
        w.y = r.top;
        w.width = static_cast<unsigned int>(r.right - r.left);
        w.height = static_cast<unsigned int>(r.bottom - r.top);
    }
    w.visible = ::IsWindowVisible(window) != FALSE;
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    w.ownerProcessId = static_cast<long>(owner);
    windows.push_back(w);
    return TRUE;
}

HWND find(const std::string& title)
{
    return ::FindWindowA(nullptr, title.c_str());
}

}  // namespace

bool listDesktopWindows(std::vector<DesktopWindow>& windows)
{
    windows.clear();
    return ::EnumWindows(&collect, reinterpret_cast<LPARAM>(&windows)) != FALSE;
}

bool findDesktopWindow(const std::string& title)
{
    return find(title) != nullptr;
}

bool hideDesktopWindow(const std::string& title, unsigned int width, unsigned int height)
{
    const HWND window = find(title);
    return window != nullptr &&
           ::SetWindowPos(window, HWND_TOP, 0, 0, static_cast<int>(width), static_cast<int>(height),
                          SWP_NOMOVE | SWP_HIDEWINDOW) != FALSE;
}

bool showDesktopWindow(const std::string& title, unsigned int width, unsigned int height)
{
    const HWND window = find(title);
    if (window == nullptr)
        return false;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    // Above all others while it is sized and shown, then in front without
    // staying above the windows that come later.
    return ::SetWindowPos(window, HWND_TOPMOST, 0, 0, w, h, SWP_NOMOVE | SWP_SHOWWINDOW) != FALSE &&
           ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW) != FALSE;
}

bool findDesktopWindowOwner(const std::string& title, long& processId)
{
    const HWND window = find(title);
    if (window == nullptr)
        return false;
    DWORD owner = 0;
    if (::GetWindowThreadProcessId(window, &owner) == 0 || owner == 0)
        return false;
    processId = static_cast<long>(owner);
    return true;
}

}  // namespace platform
}  // namespace qvx
