#include <gtest/gtest.h>

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

using qvxtest::ScopedEnv;
using qvxtest::TempDir;
using qvxtest::thrown;

namespace {

// A release tree in a temporary directory, named by "TORVANE_XRAY_HOME".
struct Installation
{
    Installation() : off(nullptr), home("TORVANE_XRAY_HOME", dir.path()) { dir.mkdir("config"), dir.mkdir("bin"); }
    void configure(const std::string& text) const { TempDir::write(dir / "config/autoUi.config", text); }
    std::string name() const { return dir.path() + "\\config\\autoUi.config"; }  // as the reader names it

    TempDir dir;
    qvxtest::UnitTestingSwitch off;
    ScopedEnv home;
};

// A program that records its working directory and arguments in $OUT.
const char RECORDER[] = "#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '[%s]' \"$a\"; done; } > \"$OUT.tmp\"; mv \"$OUT.tmp\" \"$OUT\"\n";

std::string awaitFile(const std::string& file)
{
    for (int i = 0; i < 500 && !TempDir::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string text = TempDir::read(file);
    return ::unlink(file.c_str()), text;
}

}  // namespace

TEST(AutoUiConfigReaderTest, FirstEditorKeyOrWhyThereIsNone)
{
    Installation inst;
    using NotFound = FileNotFoundDatastoreException;
    using CannotOpen = CannotOpenFileDatastoreException;
    auto read = [] { AutoUiConfigReader().getDefaultTextEditor(); };
    EXPECT_EQ("The file '" + inst.name() + "' was not found.", thrown<NotFound>(read, true));
    inst.dir.mkdir("config/autoUi.config");  // a directory is not the file
    EXPECT_EQ("DS_CANNOT_FIND_FILE_ERROR_KEY[" + inst.name() + "]", thrown<NotFound>(read));
    ::rmdir((inst.dir / "config/autoUi.config").c_str());

    const char* found[][2] = {{"@auto_editorcommand notepad.exe my editor\n", "notepad.exe"},
                              {"# editors\n\n@other x\n  @ AUTO_EDITORCOMMAND\tvi  \r\n", "vi"},
                              {"@Auto_EditorCommand first\n@Auto_EditorCommand second\n", "first"},
                              {"@Auto_EditorCommand ed\n@\n", "ed"},  // reading stops at the first editor key
                              {"@Auto_EditorCommand last", "last"}};
    for (const auto& c : found)
    {
        inst.configure(c[0]);
        EXPECT_EQ(c[1], AutoUiConfigReader().getDefaultTextEditor()) << c[0];
    }
    const std::string format = "@<key name> <key value> <optional comment>";
    const char* missing[][3] = {{"# comment\n\n  text\n@other x\n@\n", "5", "<key name>"},
                                {"@Auto_EditorCommand\n", "1", "<key value>"},
                                {"\n\n@auto_editorcommand  \t \n", "3", "<key value>"}};
    AutoUiConfigReader reader;  // one reader outlives its failures
    for (const auto& c : missing)
    {
        inst.configure(c[0]);
        EXPECT_EQ("DS_UNEXPECTED_EOL_ERROR_KEY[" + inst.name() + "|" + c[1] + "|" + format + "|" + c[2] + "]",
                  thrown<UnexpectedEolDatastoreException>([&] { reader.getDefaultTextEditor(); }));
    }
    inst.configure("@Auto_EditorCommand ok\n");
    EXPECT_EQ("ok", reader.getDefaultTextEditor());
    inst.configure("@other x\n");
    EXPECT_EQ("_textEditor.empty() == false @ util/src/AutoUiConfigReader.cpp",
              qvxtest::failedCheckWhere([&] { reader.getDefaultTextEditor(); }));

    // There, but no descriptor is left to open it with. Thrown once beforehand, so that a
    // sanitizer's type checks, which need descriptors of their own, are answered from its cache.
    inst.configure("@Auto_EditorCommand vi\n");
    thrown<CannotOpen>([&] { throw CannotOpen(inst.name()); });
    std::string got;
    qvxtest::withDescriptorsUsedUp(0, [&] { got = thrown<CannotOpen>(read); });
    EXPECT_EQ("DS_CANNOT_OPEN_FILE_ERROR_KEY[" + inst.name() + "]", got);
}

// TextEditor is one object per process, so its story is told in one test.
TEST(TextEditorTest, FindsStartsFallsBackAndReloads)
{
    Installation inst;
    TempDir::write(inst.dir / "bin/rec", RECORDER, 0755);
    TempDir::write(inst.dir / "bin/my.editor", "");
    TempDir::write(inst.dir / "bin/plain", "not a program\n", 0755);
    ScopedEnv path("PATH", "/usr/bin:/bin;" + inst.dir.path() + "\\bin"), out("OUT", inst.dir / "args");
    using NotFound = FileNotFoundDatastoreException;
    using Launch = CannotLaunchProgramFromPathDatastoreException;

    // Construction fails while the configuration is missing or names no editor on
    // the path; a later call tries again.
    EXPECT_THROW(TextEditor::getInstance(), NotFound);
    inst.configure("@Auto_EditorCommand notepad2\n");
    EXPECT_EQ("The notepad2 text editor does not exist on the path. Please add it to the path or specify a different "
              "text editor wordpad.exe will be used instead.",
              thrown<NotFound>([] { TextEditor::getInstance(); }, true));
    EXPECT_EQ("DS_CANNOT_FIND_FILE_ERROR_KEY[notepad2]", thrown<NotFound>([] { TextEditor::getInstance(); }));

    inst.configure("@Auto_EditorCommand rec  the recorder\n");  // looked for as rec.exe.
    TextEditor& editor = TextEditor::getInstance();
    EXPECT_EQ(&editor, &TextEditor::getInstance());
    inst.dir.mkdir("sub");
    editor.showFile(inst.dir.path() + "\\sub\\new.txt");
    EXPECT_TRUE(TempDir::exists(inst.dir / "sub/new.txt"));  // created before the start
    EXPECT_NE(std::string::npos, awaitFile(inst.dir / "args").find("\n[" + inst.dir / "sub/new.txt]"));
    EXPECT_THROW(editor.showFile(inst.dir / "missing/x.txt"), CannotCreateFileDatastoreException);

    // A name with a dot anywhere is looked for unchanged; one not found leaves the fall-back editor.
    EXPECT_TRUE(editor.isTextEditorValid("rec") && editor.isTextEditorValid("rec.exe") &&
                editor.isTextEditorValid("my.editor"));
    EXPECT_FALSE(editor.isTextEditorValid("my") || editor.isTextEditorValid("notepad2"));
    EXPECT_EQ("A problem occured while attempting to run the program 'wordpad.exe'.  Please confirm that the program "
              "exists on the path.",
              thrown<Launch>([&] { editor.showFile(inst.dir / "a.txt"); }, true));

    inst.configure("@Auto_EditorCommand plain\n");  // on the path, but no program
    editor.reloadTextEditor();
    EXPECT_EQ("DS_CANNOT_LAUNCH_PROGRAM_ERROR_KEY[plain]", thrown<Launch>([&] { editor.showFile(inst.dir / "a.txt"); }));

    inst.configure("@Auto_EditorCommand rec\n");
    editor.reloadTextEditor();
    ::unlink((inst.dir / "config/autoUi.config").c_str());
    EXPECT_THROW(editor.reloadTextEditor(), NotFound);  // the editor stays as it was
    editor.showFile(inst.dir / "b.txt");
    EXPECT_NE(std::string::npos, awaitFile(inst.dir / "args").find("[" + inst.dir / "b.txt]"));
}

TEST(HelpUtilTest, RunsTheReleaseInterpreterInTheReleaseRoot)
{
    TempDir dir;
    dir.mkdir("rel/bin");
    TempDir::write(dir / "rel/bin/perl", RECORDER, 0755);
    ScopedEnv out("OUT", dir / "args");
    const std::string tooLong(260, 'r');
    const char* roots[] = {nullptr, dir.path().c_str(), tooLong.c_str()};  // no release root, no bin\perl, too long
    for (const char* root : roots)
    {
        ScopedEnv rel("RELROOT", root);
        EXPECT_FALSE(HelpUtil::openHTMLDoc("index.html")) << (root ? root : "unset");
    }
    ScopedEnv rel("RELROOT", dir.path() + "\\rel");
    EXPECT_TRUE(HelpUtil::openHTMLDoc("My Manual.html"));
    EXPECT_EQ(dir / "rel\n[bin\\open_html_help.pl][My Manual.html]", awaitFile(dir / "args"));
}
