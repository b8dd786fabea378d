#include "TextEditor.h"

#include <vector>

#include "AutoUiConfigReader.h"
#include "CannotLaunchProgramFromPathDatastoreException.h"
#include "DatastoreException.h"
#include "FileName.h"
#include "FileNotFoundDatastoreException.h"
#include "HostPath.h"
#include "Process.h"

TextEditor* TextEditor::_pInstance = nullptr;

TextEditor& TextEditor::getInstance()
{
    if (_pInstance == nullptr)
        _pInstance = new TextEditor();
    return *_pInstance;
}

TextEditor::TextEditor() : _defaultTextEditor("wordpad.exe")
{
    loadTextEditor();
}

TextEditor::~TextEditor() = default;

void TextEditor::loadTextEditor()
{
    AutoUiConfigReader reader;
    _textEditor = reader.getDefaultTextEditor();
    verifyTextEditor(_textEditor);
}

void TextEditor::reloadTextEditor()
{
    loadTextEditor();
}

void TextEditor::verifyTextEditor()
{
    verifyTextEditor(_textEditor);
}

void TextEditor::verifyTextEditor(const std::string& textEditor)
{
    // A copy: textEditor may be _textEditor itself, which is replaced below.
    const std::string requested(textEditor);
    std::string command(requested);
    if (command.find('.') == std::string::npos)
        command += ".exe.";
    FileName fileName;
    if (fileName.doesFileExistOnPath(command))
        return;
    _textEditor = _defaultTextEditor;
    throw FileNotFoundDatastoreException("The " + requested + " text editor does not exist on the path. " +
                                             "Please add it to the path or specify a different text editor " +
                                             _defaultTextEditor + " will be used instead.",
                                         requested);
}

bool TextEditor::isTextEditorValid(const std::string& textEditor)
{
    try
    {
        verifyTextEditor(textEditor);
        return true;
    }
    catch (const DatastoreException&)
    {
        return false;
    }
}

void TextEditor::showFile(const std::string& fileName)
{
    if (!FileName::fileExists(fileName))
    {
        FileName creator;
        creator.createFile(fileName);
    }
    const std::vector<std::string> arguments{_textEditor, qvx::platform::toHostPath(fileName)};
    if (qvx::platform::startProcess(_textEditor, arguments, std::string(),
                                    qvx::platform::ProcessCollection::Library, nullptr) != 0)
        throw CannotLaunchProgramFromPathDatastoreException(_textEditor);
}
