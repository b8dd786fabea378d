#include "FileName.h"

#include <cstring>
#include <fstream>
#include <list>
#include <memory>

#include "CannotCopyFileDatastoreException.h"
#include "CannotCreateFileDatastoreException.h"
#include "CannotDeleteFileDatastoreException.h"
#include "CannotOpenFileDatastoreException.h"
#include "Environment.h"
#include "FileNotFoundDatastoreException.h"
#include "FileSystem.h"
#include "HostPath.h"
#include "ParseUtil.h"
#include "StringUtil.h"
#include "UnitTest.h"
#include "kbrAssert.h"

namespace platform = qvx::platform;

namespace {

const std::size_t WORKING_DIRECTORY_LIMIT = 255;  // characters, terminator included
const char MODEL_NAME[] = "k7300";
const char TEST_RELEASE_DIRECTORY[] = "testRel";

std::string environmentOr(const char* name, const std::string& fallback)
{
    std::string value;
    return platform::getEnvironmentVariable(name, value) ? value : fallback;
}

// One side of a comparison: a block of the file read through its stream
// buffer, and the read position in it.
class CompareSource
{
public:
    explicit CompareSource(std::istream& in) : _buffer(new char[BLOCK]), _in(in) {}

    // Bytes available from the current position; reads the next block when the
    // current one is used up. 0 at the end of the file.
    std::size_t available()
    {
        if (_pos == _size)
        {
            _pos = 0;
            const std::streamsize n = _in.rdbuf()->sgetn(_buffer.get(), BLOCK);
            _size = n > 0 ? static_cast<std::size_t>(n) : 0;
        }
        return _size - _pos;
    }
    const char* data() const { return _buffer.get() + _pos; }
    void advance(std::size_t n) { _pos += n; }

    // Passes over whitespace; false at the end of the file.
    bool skipWhitespace()
    {
        for (;;)
        {
            const std::size_t n = available();
            if (n == 0)
                return false;
            const char* p = data();
            std::size_t i = 0;
            while (i < n && isSpace(p[i]))
                ++i;
            _pos += i;
            if (i < n)
                return true;
        }
    }

    // The classic locale's whitespace: blank, \t, \n, \v, \f, \r.
    static bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

private:
    static const std::size_t BLOCK = 1 << 18;
    std::unique_ptr<char[]> _buffer;
    std::istream& _in;
    std::size_t _pos = 0;
    std::size_t _size = 0;
};

// Length of the common prefix of a and b (n bytes each).
std::size_t commonPrefix(const char* a, const char* b, std::size_t n)
{
    const std::size_t chunk = 4096;
    std::size_t i = 0;
    while (i + chunk <= n && std::memcmp(a + i, b + i, chunk) == 0)
        i += chunk;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

// The sequences of characters other than whitespace of both streams agree.
// Where the bytes themselves agree, so do those sequences, so equal stretches
// are passed over whole and whitespace is looked at only where the bytes part.
bool sameCharacters(std::istream& in1, std::istream& in2)
{
    CompareSource a(in1);
    CompareSource b(in2);
    for (;;)
    {
        const std::size_t n = std::min(a.available(), b.available());
        if (n > 0)
        {
            const std::size_t same = commonPrefix(a.data(), b.data(), n);
            a.advance(same);
            b.advance(same);
            if (same == n)
                continue;
        }
        const bool moreA = a.skipWhitespace();
        const bool moreB = b.skipWhitespace();
        if (!moreA || !moreB)
            return moreA == moreB;
        if (*a.data() != *b.data())
            return false;
        a.advance(1);
        b.advance(1);
    }
}

std::streamoff streamSize(std::ifstream& in)
{
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    return size;
}

}  // namespace

FileName::FileName()
    : _unitTestDirectory("unitTest"),
      _directorySeparator("\\"),
      _releaseVersionDirectory("x.xx"),
      _backupExtension(".backup"),
      _hardwareConfigFileName("hardware.config")
{
    initFileNamePaths();
}

void FileName::initFileNamePaths()
{
    _tempDir = _directorySeparator;
    for (const std::string& name : platform::tempDirectoryVariables())
    {
        std::string value;
        if (platform::getEnvironmentVariable(name, value) && !value.empty())
        {
            _tempDir = value;
            break;
        }
    }

    if (UnitTest::unitTesting())
    {
        std::string prefix;
        std::string workingDirectory;
        if (platform::getWorkingDirectory(WORKING_DIRECTORY_LIMIT, workingDirectory))
        {
            const std::size_t model = StringUtil::getLowerCase(workingDirectory).find(MODEL_NAME);
            if (model != std::string::npos && model > 0)
            {
                const std::size_t end = workingDirectory.find(_directorySeparator, model);
                prefix = workingDirectory.substr(0, end) + _directorySeparator;
            }
        }
        _relRootDir = prefix + TEST_RELEASE_DIRECTORY + _directorySeparator + _unitTestDirectory +
                      _directorySeparator + _releaseVersionDirectory;
        return;
    }

    const std::string productRoot = environmentOr("DWLROOT", _directorySeparator);
    std::string home;
    if (platform::getEnvironmentVariable("TORVANE_XRAY_HOME", home))
        _relRootDir = home;
    else
        _relRootDir = productRoot + _directorySeparator + _releaseVersionDirectory;
}

std::string FileName::getRelRootDir() const { return _relRootDir; }
std::string FileName::getBinDir() const { return _relRootDir + "\\bin"; }
std::string FileName::getLogDir() const { return _relRootDir + "\\log"; }
std::string FileName::getCalibDir() const { return _relRootDir + "\\calib"; }
std::string FileName::getConfigDir() const { return _relRootDir + "\\config"; }
std::string FileName::getDriversDir() const { return _relRootDir + "\\drivers"; }

std::string FileName::getHardwareConfigFullPath() const
{
    return getConfigDir() + _directorySeparator + _hardwareConfigFileName;
}

std::string FileName::getTempDir() const { return _tempDir; }

std::string FileName::getPath() const { return environmentOr("PATH", std::string()); }

std::string FileName::getBackupFileName(const std::string& fileName) const
{
    return fileName + _backupExtension;
}

bool FileName::fileExists(const std::string& fileName)
{
    return !fileName.empty() && platform::canOpenForReading(fileName);
}

bool FileName::directoryExists(const std::string& directory)
{
    return platform::canEnterDirectory(directory);
}

bool FileName::doesFileExistOnPath(const std::string& fileName)
{
    ParseUtil parser(getPath(), platform::searchPathDelimiters());
    while (parser.hasMoreTokens())
    {
        const std::string directory = parser.getNextToken();
        if (directory.empty())  // trailing delimiters name no directory
            continue;
        const std::string candidate = platform::toHostPath(directory + _directorySeparator + fileName);
        for (const std::string& hostName : platform::executableCandidates(candidate))
            if (fileExists(platform::fromHostPath(hostName)))
                return true;
    }
    return false;
}

void FileName::createFile(const std::string& fileName)
{
    {
        std::ofstream out(platform::toHostPath(fileName).c_str());
    }
    if (!fileExists(fileName))
        throw CannotCreateFileDatastoreException(fileName);
}

void FileName::copyFile(const std::string& fromFile, const std::string& toFile)
{
    if (!FileName::fileExists(fromFile))
        showKbrAssert("(\"Cannot copy the file \" + fromFile, FileName::fileExists(fromFile))", __FILE__,
                      __LINE__);
    if (!platform::copyFile(fromFile, toFile))
        throw CannotCopyFileDatastoreException(fromFile, toFile);
}

void FileName::deleteFile(const std::string& fileName)
{
    if (!platform::deleteFile(fileName))
        throw CannotDeleteFileDatastoreException(fileName);
}

void FileName::backupFile(const std::string& filePath)
{
    if (!FileName::fileExists(filePath))
        showKbrAssert("(\"Cannot backup the file \" + filePath, FileName::fileExists(filePath))", __FILE__,
                      __LINE__);
    copyFile(filePath, getBackupFileName(filePath));
}

void FileName::restoreFile(const std::string& filePath)
{
    const std::string backup = getBackupFileName(filePath);
    copyFile(backup, filePath);
    deleteFile(backup);
}

std::string FileName::formatFileNameFullPath(const std::string& fileName)
{
    return StringUtil::replaceCharWith(fileName, '/', '\\');
}

std::string FileName::goUpOneDirectoryLevel(const std::string& directory)
{
    std::size_t slash = directory.rfind('\\');
    if (slash != std::string::npos && slash + 1 == directory.size())
        slash = slash == 0 ? std::string::npos : directory.rfind('\\', slash - 1);
    if (slash == std::string::npos || slash == 0)
        return directory;
    return directory.substr(0, slash);
}

std::string FileName::getFileNameFromFullPath(const std::string& fileNameFullPath)
{
    KBR_ASSERT(fileNameFullPath.empty() == false);
    const std::list<std::string> parts = StringUtil::split(fileNameFullPath, "\\/");
    const std::string fileName = parts.empty() ? std::string() : parts.back();
    KBR_ASSERT(fileName.empty() == false);
    return fileName;
}

std::string FileName::getPathFromFileNameFullPath(const std::string& fileNameFullPath)
{
    KBR_ASSERT(fileNameFullPath.empty() == false);
    std::string path = formatFileNameFullPath(fileNameFullPath);
    const std::size_t slash = path.rfind('\\');
    if (slash != std::string::npos)
        path.erase(slash + 1);
    return path;
}

std::string FileName::getExtensionFromFileName(const std::string& fileNameOnly)
{
    KBR_ASSERT(fileNameOnly.empty() == false);
    const std::list<std::string> fileNameParts = StringUtil::split(fileNameOnly, ".");
    KBR_ASSERT(fileNameParts.size() == 2);
    return fileNameParts.empty() ? std::string() : "." + fileNameParts.back();
}

bool FileName::doBinaryFilesCompare(const std::string& fileNameFullPath1, const std::string& fileNameFullPath2)
{
    return doFilesCompare(std::ios::binary, fileNameFullPath1, fileNameFullPath2);
}

bool FileName::doTextFilesCompare(const std::string& fileNameFullPath1, const std::string& fileNameFullPath2)
{
    return doFilesCompare(std::ios::in, fileNameFullPath1, fileNameFullPath2);
}

bool FileName::doFilesCompare(int fileType, const std::string& fileNameFullPath1,
                              const std::string& fileNameFullPath2)
{
    KBR_ASSERT(fileType != std::ios::out);
    KBR_ASSERT(fileNameFullPath1.empty() == false);
    KBR_ASSERT(fileNameFullPath2.empty() == false);
    const std::ios::openmode mode = static_cast<std::ios::openmode>(fileType) | std::ios::in;

    if (!fileExists(fileNameFullPath1))
        throw FileNotFoundDatastoreException(fileNameFullPath1);
    std::ifstream in1(platform::toHostPath(fileNameFullPath1).c_str(), mode);
    if (!in1.is_open())
        throw CannotOpenFileDatastoreException(fileNameFullPath1);
    if (!fileExists(fileNameFullPath2))
        throw FileNotFoundDatastoreException(fileNameFullPath2);
    std::ifstream in2(platform::toHostPath(fileNameFullPath2).c_str(), mode);
    if (!in2.is_open())
        throw CannotOpenFileDatastoreException(fileNameFullPath2);

    if (streamSize(in1) != streamSize(in2))
        return false;
    return sameCharacters(in1, in2);
}
