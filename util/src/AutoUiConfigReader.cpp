#include "AutoUiConfigReader.h"

#include <fstream>

#include "CannotOpenFileDatastoreException.h"
#include "FileName.h"
#include "FileNotFoundDatastoreException.h"
#include "FileSystem.h"
#include "HostPath.h"
#include "StringUtil.h"
#include "UnexpectedEolDatastoreException.h"
#include "kbrAssert.h"

const char* const AutoUiConfigReader::CONFIG_FILE_NAME = "autoUi.config";

AutoUiConfigReader::AutoUiConfigReader()
    : _editorCommandKey("Auto_EditorCommand"),
      _fileFormat("@<key name> <key value> <optional comment>"),
      _keyNameElement("<key name>"),
      _keyValueElement("<key value>"),
      _lineNumber(0)
{
}

AutoUiConfigReader::~AutoUiConfigReader() = default;

std::string AutoUiConfigReader::getDefaultTextEditor()
{
    parseFile();
    resetAfterParsing();
    KBR_ASSERT(_textEditor.empty() == false);
    return _textEditor;
}

void AutoUiConfigReader::initializeBeforeParsing()
{
    _fileName.clear();
    _key.clear();
    _line.clear();
    _textEditor.clear();
    _value.clear();
    _parser.setLine(std::string());
}

void AutoUiConfigReader::resetAfterParsing()
{
    _fileName.clear();
    _key.clear();
    _line.clear();
    _value.clear();
    _parser.setLine(std::string());
}

void AutoUiConfigReader::parseFile()
{
    initializeBeforeParsing();
    FileName fileName;
    _fileName = fileName.getConfigDir() + "\\" + CONFIG_FILE_NAME;

    std::ifstream in(qvx::platform::toHostPath(_fileName).c_str());
    // This host opens a directory as a readable stream; the reader does not.
    if (!in.is_open() || qvx::platform::isDirectory(_fileName))
    {
        if (FileName::fileExists(_fileName))
            throw CannotOpenFileDatastoreException(_fileName);
        throw FileNotFoundDatastoreException(_fileName);
    }
    try
    {
        _line.clear();
        _lineNumber = 0;
        while (std::getline(in, _line))
        {
            ++_lineNumber;
            _line = StringUtil::trim(_line);
            if (_line.empty() || _line[0] != '@')
                continue;
            _parser.setLine(StringUtil::trim(_line.substr(1)));
            parseKey();
            if (StringUtil::equalsIgnoreCase(_key, _editorCommandKey))
            {
                parseValue();
                _textEditor = _value;
                break;
            }
        }
        in.close();
    }
    catch (...)
    {
        if (in.is_open())
            in.close();
        initializeBeforeParsing();
        throw;
    }
}

void AutoUiConfigReader::parseKey()
{
    _key = _parser.getNextToken();
    if (_key.empty())
        throw UnexpectedEolDatastoreException(_fileName, _lineNumber, _fileFormat, _keyNameElement);
}

void AutoUiConfigReader::parseValue()
{
    _value = _parser.getNextToken();
    if (_value.empty())
        throw UnexpectedEolDatastoreException(_fileName, _lineNumber, _fileFormat, _keyValueElement);
}
