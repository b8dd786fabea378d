#include "FileList.h"

#include <algorithm>

#include "FileSystem.h"
#include "StringUtil.h"

FileList::FileList(const std::string& fileSpec, const std::string& directory)
    : _directory(directory), _fileSpec(fileSpec)
{
    createList();
}

FileList::~FileList() = default;

void FileList::createList()
{
    for (const std::string& name : qvx::platform::findFiles(_directory + _fileSpec))
        _fileList.push_back(_directory + StringUtil::getUpperCase(name));
}

unsigned int FileList::getNumberOfFilesInList()
{
    return static_cast<unsigned int>(_fileList.size());
}

bool FileList::findFileInList(const std::string& fileName)
{
    return std::find(_fileList.begin(), _fileList.end(), fileName) != _fileList.end();
}
