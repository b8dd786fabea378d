#include "WindowUtil.h"

#include "DesktopWindows.h"
#include "ProcessTable.h"

const std::string WindowUtil::MatchAnyArgs = "*";

// ---------------------------------------------------------------------------
// Processes
// ---------------------------------------------------------------------------



// ---------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------

namespace {

// The size every window operation gives the window; its position stays.
constexpr unsigned int WINDOW_WIDTH = 2000;
constexpr unsigned int WINDOW_HEIGHT = 500;

// How long killWindow waits for the owner to be gone once the termination
// was accepted, as killProcesses does, so that its window has gone with it
// when the call returns true.
constexpr int KILL_WINDOW_WAIT_MILLISECONDS = 2000;

}  // namespace

bool WindowUtil::isAppRunning(const std::string& windowTitle)
{
    return qvx::platform::findDesktopWindow(windowTitle);
}

bool WindowUtil::hideWindow(const std::string& windowTitle)
{
    return qvx::platform::hideDesktopWindow(windowTitle, WINDOW_WIDTH, WINDOW_HEIGHT);
}

bool WindowUtil::showWindow(const std::string& windowTitle)
{
    return qvx::platform::showDesktopWindow(windowTitle, WINDOW_WIDTH, WINDOW_HEIGHT);
}

bool WindowUtil::killWindow(const std::string& windowTitle)
{
    long processId = 0;
    if (!qvx::platform::findDesktopWindowOwner(windowTitle, processId))
        return false;
    return qvx::platform::terminateProcess(processId, KILL_WINDOW_WAIT_MILLISECONDS);
}


// ---------------------------------------------------------------------------
// Memory and power
// ---------------------------------------------------------------------------



// ---------------------------------------------------------------------------
// Network shares
// ---------------------------------------------------------------------------



// ---------------------------------------------------------------------------
// Registry
// ---------------------------------------------------------------------------
