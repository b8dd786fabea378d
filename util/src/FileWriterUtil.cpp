#include "FileWriterUtil.h"

#include "CannotOpenFileDatastoreException.h"
#include "HostPath.h"
#include "kbrAssert.h"

FileWriterUtil::FileWriterUtil() : _newLine("\n") {}

FileWriterUtil::~FileWriterUtil()
{
    close();
}

void FileWriterUtil::open(const std::string& fileName, bool append)
{
    close();
    _fileName = fileName;
    const std::ios::openmode mode = append ? (std::ios::out | std::ios::app) : (std::ios::out | std::ios::trunc);
    _fileStream.clear();
    _fileStream.open(qvx::platform::toHostPath(fileName).c_str(), mode);
    if (!_fileStream.is_open())
    {
        _fileName.clear();
        throw CannotOpenFileDatastoreException(fileName);
    }
}

void FileWriterUtil::write(const std::string& text)
{
    KBR_ASSERT(_fileStream.is_open());
    _fileStream.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void FileWriterUtil::writeln()
{
    KBR_ASSERT(_fileStream.is_open());
    _fileStream.write(_newLine.data(), static_cast<std::streamsize>(_newLine.size()));
}

void FileWriterUtil::writeln(const std::string& text)
{
    KBR_ASSERT(_fileStream.is_open());
    write(text);
    writeln();
}

void FileWriterUtil::close()
{
    if (_fileStream.is_open())
        _fileStream.close();
    _fileName.clear();
}
