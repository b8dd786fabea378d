#include "FtdiDriver.h"

#include <atomic>

namespace qvx {
namespace platform {

namespace {
// Null means the host's own driver.
std::atomic<FtdiDriver*> g_installed{nullptr};
}  // namespace

FtdiDriver::~FtdiDriver() = default;

FtdiDriver& ftdiDriver()
{
    FtdiDriver* const driver = g_installed.load();
    return driver != nullptr ? *driver : hostFtdiDriver();
}

FtdiDriver* installFtdiDriver(FtdiDriver* driver)
{
    FtdiDriver* const previous = g_installed.exchange(driver);
    return previous != nullptr ? previous : &hostFtdiDriver();
}

}  // namespace platform
}  // namespace qvx
