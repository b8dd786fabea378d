#ifndef QVX_FILE_LIST_H
#define QVX_FILE_LIST_H

#include <list>
#include <string>

#include "QvxExport.h"

// A snapshot, taken at construction, of the entries of one directory that
// match a wildcard pattern: each kept as the directory followed by the entry's
// name in upper case. The directory is used as given, as a prefix, so it ends
// with a backslash for the entries to be paths in it. The pattern matches
// without regard to case; every kind of entry is taken, "." and ".." too when
// the pattern matches them. A directory that cannot be searched gives an
// empty list.
class QVXUTIL_API FileList
{
public:
    FileList(const std::string& fileSpec, const std::string& directory);
    ~FileList();

    unsigned int getNumberOfFilesInList();
    // Exact comparison: pass the directory followed by the upper-case name.
    bool findFileInList(const std::string& fileName);

private:
    void createList();

    std::string _directory;
    std::string _fileSpec;
    std::list<std::string> _fileList;
};

#endif
