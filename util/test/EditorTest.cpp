#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "AutoUiConfigReader.h"
#include "CannotCreateFileDatastoreException.h"
#include "CannotLaunchProgramFromPathDatastoreException.h"
#include "CannotOpenFileDatastoreException.h"
#include "FailedCheck.h"
#include "FileNotFoundDatastoreException.h"
#include "HelpUtil.h"
#include "TempDir.h"
#include "TextEditor.h"
#include "UnexpectedEolDatastoreException.h"
#include "UnitTestingSwitch.h"

using qvxtest::failedCheck;
using qvxtest::ScopedEnv;
using qvxtest::TempDir;
using qvxtest::UnitTestingSwitch;

namespace {

const char FORMAT[] = "@<key name> <key value> <optional comment>";

// A release tree in a temporary directory, named by "TORVANE_XRAY_HOME".
struct Installation
{
    Installation() : off(nullptr), home("TORVANE_XRAY_HOME", dir.path())
    {
        ::mkdir((dir / "config").c_str(), 0755);
        ::mkdir((dir / "bin").c_str(), 0755);
    }
    void configure(const std::string& text) const { TempDir::write(configFile(), text); }
    std::string configFile() const { return dir / "config/autoUi.config"; }
    // Library form, as the reader names it in its exceptions.
    std::string configName() const { return dir.path() + "\\config\\autoUi.config"; }

    TempDir dir;
    UnitTestingSwitch off;
    ScopedEnv home;
};

// Waits for a file that a started process writes (it renames it into place).
std::string awaitFile(const std::string& file)
{
    for (int i = 0; i < 500 && !TempDir::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return TempDir::read(file);
}

const char RECORDER[] = "{ pwd; for a in \"$@\"; do printf '[%s]' \"$a\"; done; } > \"$OUT.tmp\"\n"
                        "mv \"$OUT.tmp\" \"$OUT\"\n";

}  // namespace

TEST(AutoUiConfigReaderTest, FindsTheFirstEditorKey)
{
    Installation inst;
    const struct
    {
        const char* text;
        const char* editor;
    } cases[] = {
        {"@auto_editorcommand notepad.exe my editor\n", "notepad.exe"},
        {"# editors\n\n@other x\n  @ AUTO_EDITORCOMMAND\tvi  \r\n", "vi"},
        {"@Auto_EditorCommand first\n@Auto_EditorCommand second\n", "first"},
        {"@Auto_EditorCommand ed\n@\n", "ed"},  // reading stops at the first editor key
        {"@Auto_EditorCommand last", "last"},   // no line end at the end of the file
    };
    for (const auto& c : cases)
    {
        inst.configure(c.text);
        EXPECT_EQ(c.editor, AutoUiConfigReader().getDefaultTextEditor()) << c.text;
    }
    inst.configure("@other x\n");
    EXPECT_EQ("_textEditor.empty() == false @ util/src/AutoUiConfigReader.cpp",
              qvxtest::failedCheckWhere([] { AutoUiConfigReader().getDefaultTextEditor(); }));
}

TEST(AutoUiConfigReaderTest, MissingItemsNameTheLineCountingSkippedLines)
{
    Installation inst;
    const struct
    {
        const char* text;
        const char* line;
        const char* missing;
    } cases[] = {
        {"# comment\n\n  text\n@other x\n@\n", "5", "<key name>"},
        {"@Auto_EditorCommand\n", "1", "<key value>"},
        {"\n\n@auto_editorcommand  \t \n", "3", "<key value>"},
    };
    AutoUiConfigReader reader;  // one reader survives its failures
    for (const auto& c : cases)
    {
        inst.configure(c.text);
        try
        {
            reader.getDefaultTextEditor();
            FAIL() << c.text;
        }
        catch (const UnexpectedEolDatastoreException& e)
        {
            EXPECT_EQ("DS_UNEXPECTED_EOL_ERROR_KEY", e.getKey());
            EXPECT_EQ((std::list<std::string>{inst.configName(), c.line, FORMAT, c.missing}), e.getParameters());
            EXPECT_EQ(std::string("Line ") + c.line + " in the file '" + inst.configName() +
                          "' expected the following syntax: \n" + FORMAT + "\nThe " + c.missing +
                          " field was missing.",
                      e.getMessage());
        }
    }
    inst.configure("@Auto_EditorCommand ok\n");
    EXPECT_EQ("ok", reader.getDefaultTextEditor());
}

TEST(AutoUiConfigReaderTest, MissingAndUnreadableFilesAreTold)
{
    Installation inst;
    try
    {
        AutoUiConfigReader().getDefaultTextEditor();
        FAIL();
    }
    catch (const FileNotFoundDatastoreException& e)
    {
        EXPECT_EQ("The file '" + inst.configName() + "' was not found.", e.getMessage());
    }
    ::mkdir(inst.configFile().c_str(), 0755);  // a directory is not the file
    EXPECT_THROW(AutoUiConfigReader().getDefaultTextEditor(), FileNotFoundDatastoreException);
    ::rmdir(inst.configFile().c_str());

    // The file is there, but no descriptor is left to open it with.
    inst.configure("@Auto_EditorCommand vi\n");
    std::vector<int> held;
    int fd;
    while ((fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0)
        held.push_back(fd);
    std::string key, file;
    try
    {
        AutoUiConfigReader().getDefaultTextEditor();
    }
    catch (const CannotOpenFileDatastoreException& e)
    {
        key = e.getKey();
        file = e.getFileNameWithFullPath();
    }
    for (int h : held)
        ::close(h);
    EXPECT_EQ("DS_CANNOT_OPEN_FILE_ERROR_KEY", key);
    EXPECT_EQ(inst.configName(), file);
}

// TextEditor is one object per process, so its story is told in one test.
TEST(TextEditorTest, FindsStartsFallsBackAndReloads)
{
    Installation inst;
    TempDir::script(inst.dir / "bin/rec", RECORDER);
    TempDir::write(inst.dir / "bin/my.editor", "");
    TempDir::write(inst.dir / "bin/plain", "not a program\n");
    ::chmod((inst.dir / "bin/plain").c_str(), 0755);
    ScopedEnv path("PATH", "/usr/bin:/bin;" + inst.dir.path() + "\\bin");
    ScopedEnv out("OUT", inst.dir / "args");

    // Construction fails while the configuration is missing; a later call tries again.
    EXPECT_THROW(TextEditor::getInstance(), FileNotFoundDatastoreException);
    inst.configure("@Auto_EditorCommand notepad2\n");
    try
    {
        TextEditor::getInstance();
        FAIL();
    }
    catch (const FileNotFoundDatastoreException& e)
    {
        EXPECT_EQ("DS_CANNOT_FIND_FILE_ERROR_KEY", e.getKey());
        EXPECT_EQ("The notepad2 text editor does not exist on the path. Please add it to the path or specify a "
                  "different text editor wordpad.exe will be used instead.",
                  e.getMessage());
        EXPECT_EQ((std::list<std::string>{"notepad2"}), e.getParameters());
    }

    inst.configure("@Auto_EditorCommand rec  the recorder\n");  // looked for as rec.exe.
    TextEditor& editor = TextEditor::getInstance();
    EXPECT_EQ(&editor, &TextEditor::getInstance());
    const std::string doc = inst.dir / "sub";
    ::mkdir(doc.c_str(), 0755);
    editor.showFile(inst.dir.path() + "\\sub\\new.txt");
    EXPECT_EQ(TempDir::read(inst.dir / "sub/new.txt"), "");  // created empty before the start
    EXPECT_NE(std::string::npos, awaitFile(inst.dir / "args").find("\n[" + doc + "/new.txt]"));
    EXPECT_THROW(editor.showFile(inst.dir / "missing/x.txt"), CannotCreateFileDatastoreException);

    EXPECT_TRUE(editor.isTextEditorValid("rec"));
    EXPECT_TRUE(editor.isTextEditorValid("rec.exe"));
    EXPECT_TRUE(editor.isTextEditorValid("my.editor"));  // a dot anywhere: looked for unchanged
    EXPECT_FALSE(editor.isTextEditorValid("my"));
    EXPECT_FALSE(editor.isTextEditorValid("notepad2"));  // leaves the fall-back editor
    try
    {
        editor.showFile(inst.dir / "a.txt");
        FAIL();
    }
    catch (const CannotLaunchProgramFromPathDatastoreException& e)
    {
        EXPECT_EQ("DS_CANNOT_LAUNCH_PROGRAM_ERROR_KEY", e.getKey());
        EXPECT_EQ("A problem occured while attempting to run the program 'wordpad.exe'.  Please confirm that the "
                  "program exists on the path.",
                  e.getMessage());
    }

    inst.configure("@Auto_EditorCommand plain\n");  // on the path, but cannot be executed
    editor.reloadTextEditor();
    try
    {
        editor.showFile(inst.dir / "a.txt");
        FAIL();
    }
    catch (const CannotLaunchProgramFromPathDatastoreException& e)
    {
        EXPECT_EQ((std::list<std::string>{"plain"}), e.getParameters());
    }

    // A configuration that cannot be read leaves the editor as it was.
    inst.configure("@Auto_EditorCommand rec\n");
    editor.reloadTextEditor();
    ::unlink(inst.configFile().c_str());
    EXPECT_THROW(editor.reloadTextEditor(), FileNotFoundDatastoreException);
    ::unlink((inst.dir / "args").c_str());
    editor.showFile(inst.dir / "b.txt");
    EXPECT_NE(std::string::npos, awaitFile(inst.dir / "args").find("[" + inst.dir / "b.txt]"));
}

TEST(HelpUtilTest, RunsTheReleaseInterpreterInTheReleaseRoot)
{
    TempDir dir;
    const std::string root = dir / "rel";
    ::mkdir(root.c_str(), 0755);
    ::mkdir((root + "/bin").c_str(), 0755);
    TempDir::script(root + "/bin/perl", RECORDER);
    ScopedEnv out("OUT", dir / "args");
    {
        ScopedEnv rel("RELROOT", dir.path() + "\\rel");
        EXPECT_TRUE(HelpUtil::openHTMLDoc("index.html"));
        EXPECT_EQ(root + "\n[bin\\open_html_help.pl][index.html]", awaitFile(dir / "args"));
        ::unlink((dir / "args").c_str());
        EXPECT_TRUE(HelpUtil::openHTMLDoc("My Manual.html"));
        EXPECT_EQ(root + "\n[bin\\open_html_help.pl][My Manual.html]", awaitFile(dir / "args"));
    }
    {
        ScopedEnv rel("RELROOT", dir.path());  // no bin\perl there
        EXPECT_FALSE(HelpUtil::openHTMLDoc("index.html"));
    }
    {
        ScopedEnv rel("RELROOT", nullptr);
        EXPECT_FALSE(HelpUtil::openHTMLDoc("index.html"));
    }
    {
        ScopedEnv rel("RELROOT", std::string(260, 'r'));
        EXPECT_FALSE(HelpUtil::openHTMLDoc("index.html"));
    }
}
