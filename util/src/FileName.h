#ifndef QVX_FILE_NAME_H
#define QVX_FILE_NAME_H

#include <string>

#include "QvxExport.h"

// Where the machine's software is installed, and the file operations the rest
// of the system uses. Paths are in the library's form (one backslash between
// directories); the host layer translates them when a file is touched.
//
// The layout is worked out once, by the constructor, from the environment:
// the release root is "TORVANE_XRAY_HOME" if set, else "DWLROOT" (or one
// backslash) followed by "\x.xx"; while unit tests run it is the developer's
// test release tree, "testRel\unitTest\x.xx" under the working directory's
// "k7300" directory. The temporary directory is "temp" (see below) or one
// backslash.
//
// Choices of our own:
// - Unit-test tree: the prefix keeps the working directory up to the end of
//   the directory whose name holds "k7300" (the name is found without regard
//   to case), followed by one backslash; the prefix keeps the working
//   directory's own letter case, because this host's file names are
//   case-sensitive. A working directory longer than 254 characters, or one
//   that starts with the model name, gives the relative tree.
// - Temporary directory: "temp", then "TEMP", then "TMPDIR"; a variable set to
//   the empty string counts as not set.
// - getFileNameFromFullPath / getExtensionFromFileName return "" when a failed
//   check returns and the name splits into no part at all.
// - fileExists asks the host whether the file can be opened for reading
//   without holding it open; a directory is never a file.
// - copyFile, backupFile and restoreFile never leave a damaged file: each copy
//   is written to a new file in the destination's directory, flushed to the
//   disk and renamed over the destination only when complete; on any failure
//   (a full disk included) the new file is removed and the destination is
//   exactly as it was. So a failed backup keeps the previous backup, and a
//   restore puts nothing but a complete copy of the backup in place of the
//   live file (and deletes the backup only after that). A replaced file keeps
//   its mode; the copy needs the right to create files in the destination's
//   directory.
// - doFilesCompare reads both files in blocks through their stream buffers
//   and compares the characters that are not whitespace, which gives the
//   answer of extracting them one by one at a fraction of the cost.
class QVXUTIL_API FileName
{
public:
    FileName();

    std::string getRelRootDir() const;
    std::string getBinDir() const;
    std::string getLogDir() const;
    std::string getCalibDir() const;
    std::string getConfigDir() const;
    std::string getDriversDir() const;
    std::string getHardwareConfigFullPath() const;
    std::string getTempDir() const;
    // "PATH", read at every call.
    std::string getPath() const;
    std::string getBackupFileName(const std::string& fileName) const;

    static bool fileExists(const std::string& fileName);
    static bool directoryExists(const std::string& directory);
    bool doesFileExistOnPath(const std::string& fileName);

    void createFile(const std::string& fileName);
    void copyFile(const std::string& fromFile, const std::string& toFile);
    void deleteFile(const std::string& fileName);
    void backupFile(const std::string& filePath);
    void restoreFile(const std::string& filePath);

    std::string formatFileNameFullPath(const std::string& fileName);
    std::string goUpOneDirectoryLevel(const std::string& directory);
    std::string getFileNameFromFullPath(const std::string& fileNameFullPath);
    std::string getPathFromFileNameFullPath(const std::string& fileNameFullPath);
    std::string getExtensionFromFileName(const std::string& fileNameOnly);

    bool doBinaryFilesCompare(const std::string& fileNameFullPath1, const std::string& fileNameFullPath2);
    bool doTextFilesCompare(const std::string& fileNameFullPath1, const std::string& fileNameFullPath2);

private:
    void initFileNamePaths();
    bool doFilesCompare(int fileType, const std::string& fileNameFullPath1,
                        const std::string& fileNameFullPath2);

    std::string _unitTestDirectory;
    std::string _directorySeparator;
    std::string _releaseVersionDirectory;
    std::string _backupExtension;
    std::string _hardwareConfigFileName;
    std::string _relRootDir;
    std::string _tempDir;

    // The working-directory buffer of directoryExists on hosts that keep the
    // directory as text; this host keeps it as an open handle instead.
    static const int _MAX_LENGTH_FILE_NAME = 100;
};

#endif
