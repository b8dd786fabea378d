#ifndef QVX_FILE_SYSTEM_H
#define QVX_FILE_SYSTEM_H

#include <cstddef>
#include <string>
#include <vector>

#include "QvxExport.h"

// Files and directories as the library's file classes need them. Every path
// is given in the library's own form and translated here (see HostPath.h).
namespace qvx {
namespace platform {

// Whether the file can be opened for reading. A directory is not a file. The
// answer comes from the file's permissions, without holding the file open, so
// it never blocks and never needs a free descriptor.
QVXUTIL_API bool canOpenForReading(const std::string& path);

// Whether path names a directory.
QVXUTIL_API bool isDirectory(const std::string& path);

// Keeps the working directory, changes into path, changes back (whether or not
// the change worked) and returns whether the change into path worked. The
// working directory is kept as an open handle, so its length sets no limit.
QVXUTIL_API bool canEnterDirectory(const std::string& path);

// The working directory in library form. False when it is longer than
// maxLength - 1 characters or cannot be read.
QVXUTIL_API bool getWorkingDirectory(std::size_t maxLength, std::string& directory);

// Copies the contents of from onto to, creating to or replacing it. Nothing is
// lost on failure: the copy is written to a new hidden file in to's directory
// (".<name>.qvx-<process>-<n>"), flushed to the disk and only then renamed over
// to in one step, so to is either exactly as it was or a complete copy. On any
// failure (a full disk included) the new file is removed and to is untouched.
// A replaced file keeps its mode (and its owner where the process may give
// it); a destination that is a symbolic link stays one and the file it names
// (existing or not) is written. Writing needs the right to create files in that
// file's directory, also when the file itself is writable. A file that had
// other hard links is replaced under this name only. False when from cannot be
// read (or is a directory), when to exists and is not a regular file (a
// directory, a device, a pipe), when both name the same file, or when any step
// fails.
QVXUTIL_API bool copyFile(const std::string& from, const std::string& to);

// Deletes a file. False when it does not exist, is a directory or cannot be
// removed.
QVXUTIL_API bool deleteFile(const std::string& path);

// The wildcard search: the names of the entries of a directory that match the
// last component of pattern ("*" any run of characters, "?" one character,
// letters compared without regard to case, a final ".*" also matching names
// without an extension). Every kind of entry is taken, "." and ".." too when
// they match. Names come in the order the directory gives them. An empty
// result when the directory cannot be searched.
QVXUTIL_API std::vector<std::string> findFiles(const std::string& pattern);

// The name test of findFiles.
QVXUTIL_API bool matchesWildcard(const std::string& pattern, const std::string& name);

}  // namespace platform
}  // namespace qvx

#endif
