#ifndef QVX_NETWORK_SHARES_H
#define QVX_NETWORK_SHARES_H

#include <string>

#include "QvxExport.h"

// The share service of this machine: adding a disk share and reading a
// share's path. Results are the share service's status numbers.
//
// On Linux the share service is Samba's registry configuration, changed with
// Samba's `net conf` (started without a shell; its output is read with a
// 30-second time-out) on the configuration file named by "QVX_SMB_CONF"
// (default /etc/samba/smb.conf). That file must exist (`net` would silently
// fall back to the machine's own configuration) and must take its shares from
// the registry: its [global] section holds "include = registry" (after the
// directory settings, or `net conf` works on the machine's registry database),
// "config backend = registry" or "registry shares = yes". Otherwise, or when
// Samba's tools are not installed, the status is SHARE_SERVICE_NOT_STARTED.
//
// Choices made here:
// - Share passwords do not exist in Samba: a non-empty password gives
//   SHARE_NOT_SUPPORTED and nothing is made, so that no share is opened wider
//   than its caller asked.
// - A share name is 1 to 80 bytes without control characters, blanks at either
//   end or any of \ / [ ] : | < > + = ; , ? * " and is not "global"; the
//   comment holds no control characters. Otherwise SHARE_INVALID_PARAMETER.
// - The path must name an existing directory by an absolute path, else
//   SHARE_UNKNOWN_DIRECTORY. (Samba replaces %-sequences in paths when a
//   client connects; a path holding "%" is taken as it is.)
// - A share allows writing only when not read-only (Samba's "read only"); a
//   use limit becomes "max connections", SHARE_UNLIMITED_USES none at all, and
//   a limit of 0 makes the share unavailable. Guest access is left as Samba
//   sets it for a new share (off).
// - When Samba refuses a step after the share was made, the share is removed
//   again: a failed call leaves no half-made share.
// - Only this machine's shares are read: a server name that is empty,
//   "localhost", "127.0.0.1" or this host's name (any letter case, with or
//   without a leading "\\"). Other servers are not queried
//   (SHARE_BAD_NETWORK_PATH).
namespace qvx {
namespace platform {

constexpr unsigned SHARE_SUCCESS = 0;
constexpr unsigned SHARE_ACCESS_DENIED = 5;
constexpr unsigned SHARE_NOT_SUPPORTED = 50;
constexpr unsigned SHARE_BAD_NETWORK_PATH = 53;
constexpr unsigned SHARE_INVALID_PARAMETER = 87;
constexpr unsigned SHARE_SERVICE_NOT_STARTED = 2114;
constexpr unsigned SHARE_UNKNOWN_DIRECTORY = 2116;
constexpr unsigned SHARE_DUPLICATE = 2118;
constexpr unsigned SHARE_NOT_FOUND = 2310;

constexpr unsigned SHARE_TYPE_DISK = 0;
constexpr unsigned SHARE_UNLIMITED_USES = 0xFFFFFFFFu;

struct ShareDefinition
{
    std::string name;
    std::string path;  // library form
    unsigned type = SHARE_TYPE_DISK;
    std::string remark;
    unsigned maxUses = SHARE_UNLIMITED_USES;
    bool readOnly = false;
    std::string password;
};

// Adds the share on this machine.
QVXUTIL_API unsigned addNetworkShare(const ShareDefinition& share);

// The path (library form) of a share of serverName.
QVXUTIL_API unsigned getNetworkSharePath(const std::string& serverName, const std::string& shareName,
                                         std::string& path);

// Whether serverName names this machine (see above).
QVXUTIL_API bool isLocalServerName(const std::string& serverName);

// The Samba configuration file in use (host path).
QVXUTIL_API std::string sambaConfigurationFile();

}  // namespace platform
}  // namespace qvx

#endif
