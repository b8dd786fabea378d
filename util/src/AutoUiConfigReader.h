#ifndef QVX_AUTO_UI_CONFIG_READER_H
#define QVX_AUTO_UI_CONFIG_READER_H

#include <string>

#include "ParseUtil.h"
#include "QvxExport.h"

// Reads the editor configuration file and gives the operator's text editor,
// the value of its key "Auto_EditorCommand" (key names match without regard to
// case; the first such line wins). Lines read "@<key name> <key value>
// <optional comment>"; lines that do not start with "@" after trimming are
// skipped but counted, so errors name the file's own line numbers.
//
// The file is "autoUi.config" in the installation's configuration directory
// (FileName::getConfigDir()). A missing file throws
// FileNotFoundDatastoreException, a file that is there but does not open
// CannotOpenFileDatastoreException. A directory in its place is not a file
// and counts as missing.
class QVXUTIL_API AutoUiConfigReader
{
public:
    AutoUiConfigReader();
    virtual ~AutoUiConfigReader();

    // The editor command; fails "_textEditor.empty() == false" when the file
    // has no editor key.
    std::string getDefaultTextEditor();

    // The file name of the configuration file in the configuration directory.
    static const char* const CONFIG_FILE_NAME;

private:
    void parseFile();
    void parseKey();
    void parseValue();
    void initializeBeforeParsing();
    void resetAfterParsing();

    std::string _line;
    std::string _key;
    std::string _value;
    std::string _textEditor;
    std::string _fileName;
    std::string _editorCommandKey;
    std::string _fileFormat;
    std::string _keyNameElement;
    std::string _keyValueElement;
    ParseUtil _parser;
    int _lineNumber;
};

#endif
