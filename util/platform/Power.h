#ifndef QVX_POWER_H
#define QVX_POWER_H

#include "QvxExport.h"

// Powering the machine off or restarting it, and the privilege to do so.
//
// The privilege is the capability CAP_SYS_BOOT in the process's effective set.
// A process that holds it only in its permitted set has it raised into the
// effective set, the equivalent of enabling a privilege the account holds.
//
// A request is immediate and forced: running applications are not asked, as
// with a zero time-out and applications closed by force. When systemd is the
// init process (PID 1), it is asked as `systemctl poweroff --force` /
// `systemctl reboot --force` ask it (the manager stops every process and
// unmounts, without running the shutdown units); otherwise the file systems
// are synced and the kernel is told directly (reboot(2)).
//
// While the environment variable "UNIT_TESTING" is "true" (in any letter case)
// the host's request is refused and nothing happens: a test never powers the
// machine off, even one that forgot to install its replacement.
namespace qvx {
namespace platform {

enum class PowerRequest
{
    PowerOff,
    Reboot
};

// True exactly when the process holds CAP_SYS_BOOT effectively afterwards.
QVXUTIL_API bool enableShutdownPrivilege();

// Asks for the power-off or reboot. True when the request was accepted (the
// machine is then going down).
QVXUTIL_API bool requestPowerChange(PowerRequest request);

// Test seam: installs a replacement for requestPowerChange; nullptr restores
// the host's. Returns the previous replacement (nullptr when none).
using PowerRequester = bool (*)(PowerRequest request);
QVXUTIL_API PowerRequester setPowerRequester(PowerRequester requester);

}  // namespace platform
}  // namespace qvx

#endif
