#ifndef QVX_FILE_WRITER_UTIL_H
#define QVX_FILE_WRITER_UTIL_H

#include <fstream>
#include <string>

#include "QvxExport.h"

// Writes text to one file: open (optionally for appending), write strings and
// line ends, close. Output is buffered and reaches the file at the latest when
// it is closed. Writing while no file is open fails "_fileStream.is_open()".
//
// Opening without appending creates the file when it is missing and empties it
// when it exists, so that the file holds exactly what the writer wrote. (An
// open for update, which needs the file to exist and leaves whatever lies
// beyond the new text, would leave the tail of a longer old file behind.)
class QVXUTIL_API FileWriterUtil
{
public:
    FileWriterUtil();
    virtual ~FileWriterUtil();

    // Closes a file that is open, then opens fileName. Throws
    // CannotOpenFileDatastoreException with fileName when it does not open; the
    // writer then has no open file.
    void open(const std::string& fileName, bool append);
    void write(const std::string& text);
    void writeln();
    void writeln(const std::string& text);
    void close();

private:
    FileWriterUtil(const FileWriterUtil&) = delete;
    FileWriterUtil& operator=(const FileWriterUtil&) = delete;

    std::string _fileName;
    std::ofstream _fileStream;
    std::string _newLine;
};

#endif
