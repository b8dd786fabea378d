#ifndef QVX_HOST_PATH_H
#define QVX_HOST_PATH_H

#include <string>
#include <vector>

#include "QvxExport.h"

// The rules by which the library's own path and name forms meet the host's.
// All of them live here, so that every facility translates the same way.
//
// - The library writes paths with one backslash between directories. Towards
//   the host every backslash becomes the host's separator and trailing dots of
//   the last component are dropped, as the original file system drops them
//   ("notepad.exe." opens notepad.exe); a last component made only of dots
//   ("." or "..") is kept. Paths that come from the host (the working
//   directory, found files) get backslashes instead of the host's separator.
// - An executable may be named the original platform's way, X.exe: where no
//   host file X.exe exists, the host file X stands for it.
// - The executable search path is split at ";" and, on POSIX, also at ":".
// - The temporary directory variable "temp" is also read as "TEMP" and
//   "TMPDIR", in that order, on hosts whose environment names are
//   case-sensitive.
namespace qvx {
namespace platform {

QVXUTIL_API std::string toHostPath(const std::string& path);
QVXUTIL_API std::string fromHostPath(const std::string& hostPath);

// The host paths that may stand for the executable at hostPath, in the order
// in which they are tried: hostPath itself, then hostPath without ".exe"
// (in any letter case) when it ends so.
QVXUTIL_API std::vector<std::string> executableCandidates(const std::string& hostPath);

// The characters that separate directories of the executable search path.
QVXUTIL_API const char* searchPathDelimiters();
// The directories of a search path, in order, as host paths; empty pieces
// name no directory and are left out.
QVXUTIL_API std::vector<std::string> searchPathDirectories(const std::string& searchPath);

// The environment names read, in order, for the temporary directory.
QVXUTIL_API const std::vector<std::string>& tempDirectoryVariables();

}  // namespace platform
}  // namespace qvx

#endif
