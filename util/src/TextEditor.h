#ifndef QVX_TEXT_EDITOR_H
#define QVX_TEXT_EDITOR_H

#include <string>

#include "QvxExport.h"

// The operator's text editor: one object per process, made by the first
// successful getInstance() and never destroyed. The command comes from the
// editor configuration (AutoUiConfigReader); a command that is not on the
// executable search path is replaced by "wordpad.exe" (which itself is not
// looked for) and reported with FileNotFoundDatastoreException. A command
// without a dot is looked for as command.exe, which the host layer also finds
// as a plain executable named command.
//
// showFile starts the editor as a separate process that nobody waits for,
// with the command as argument 0 and the file as its one argument, given as
// the host names the file (the editor opens the very file showFile created).
// getInstance() is not locked: its first call must not race another.
class QVXUTIL_API TextEditor
{
public:
    static TextEditor& getInstance();
    virtual ~TextEditor();

    void reloadTextEditor();
    bool isTextEditorValid(const std::string& textEditor);
    void showFile(const std::string& fileName);

private:
    TextEditor();
    TextEditor(const TextEditor&) = delete;
    TextEditor& operator=(const TextEditor&) = delete;

    void loadTextEditor();
    void verifyTextEditor();
    void verifyTextEditor(const std::string& textEditor);

    std::string _textEditor;
    std::string _defaultTextEditor;

    static TextEditor* _pInstance;
};

#endif
