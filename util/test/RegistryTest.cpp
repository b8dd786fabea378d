// Registry values through WindowUtil on a store of .reg files written here
// byte for byte as the registry editor writes them, and the file format's
// reader and writer.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "FailedCheck.h"
#include "Registry.h"
#include "RegistryFile.h"
#include "RegistryValue.h"
#include "TempDir.h"
#include "WindowUtil.h"

using namespace qvx::platform;
using qvxtest::registryValueOrCheck;
using qvxtest::failedCheck;
using qvxtest::ScopedEnv;
using qvxtest::TempDir;

namespace {

const char* const KEY = "SOFTWARE\\Torvane\\Test";

// The bytes the registry editor writes for text: UTF-16LE with a byte-order
// mark. Written out unit by unit here (Latin-1 input only), independent of the
// library's own conversions.
std::string utf16File(const std::string& latin1)
{
    std::string out("\xFF\xFE", 2);
    for (char c : latin1)
    {
        out += c;
        out += '\0';
    }
    return out;
}

const std::string HEAD = "Windows Registry Editor Version 5.00\r\n\r\n";

// A version 5 file whose values (lines ending in CR LF) are KEY's.
std::string testKeyFile(const std::string& values)
{
    return utf16File(HEAD + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Torvane\\Test]\r\n" + values + "\r\n");
}

std::string valueOf(const std::string& subKey, const std::string& value)
{
    return registryValueOrCheck(HKEY_LOCAL_MACHINE, subKey, value);
}

class RegistryTest : public ::testing::Test
{
protected:
    void file(const std::string& name, const std::string& bytes) { TempDir::write(_store / name, bytes); }

    TempDir _store;
    ScopedEnv _env{"QVX_REGISTRY_DIR", _store.path()};
};

const std::string VERSION5_EXPORT =
    HEAD +
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Torvane]\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Torvane\\Test]\r\n"
    "@=\"the default\"\r\n"
    "\"Text\"=\"C:\\\\Program Files\\\\Torvane \\\"x\\\"\"\r\n"
    "\"Max32\"=dword:ffffffff\r\n"
    "\"Small32\"=dword:0000002a\r\n"
    "\"All64\"=hex(b):ff,ff,ff,ff,ff,ff,ff,ff\r\n"
    "\"Big64\"=hex(b):00,00,00,00,01,00,00,00\r\n"
    "\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,71,00,76,00,78,00,\\\r\n"
    "  00,00\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    "\"Binary\"=hex:01,02,03\r\n"
    "\"Umlaut\"=\"gr\xfc\xdf\"\r\n"
    "\r\n";

TEST_F(RegistryTest, EveryTypeOfAVersion5ExportReadsAsTheTableSays)
{
    file("a.reg", utf16File(VERSION5_EXPORT));
    {
        qvxtest::NopMode nop;  // the empty name fails its check, then reads the default value
        EXPECT_EQ("the default", WindowUtil::getRegistryValue(HKEY_LOCAL_MACHINE, KEY, ""));
    }
    EXPECT_EQ("C:\\Program Files\\Torvane \"x\"", valueOf(KEY, "Text"));
    EXPECT_EQ("4294967295", valueOf(KEY, "Max32"));
    EXPECT_EQ("42", valueOf(KEY, "Small32"));
    EXPECT_EQ("-1", valueOf(KEY, "All64"));
    EXPECT_EQ("4294967296", valueOf(KEY, "Big64"));
    EXPECT_EQ("%TEMP%\\qvx", valueOf(KEY, "Expand"));  // references are not expanded
    EXPECT_EQ("gr\xc3\xbc\xc3\x9f", valueOf(KEY, "Umlaut"));  // UTF-8 for the 8-bit calls
    EXPECT_EQ("check: false unsupported", valueOf(KEY, "Multi"));
    EXPECT_EQ("check: false unsupported", valueOf(KEY, "Binary"));
    // Names compare without regard to case; a key above a named key exists.
    EXPECT_EQ("4294967295", valueOf("software\\TORVANE\\test", "max32"));
    EXPECT_TRUE(WindowUtil::isRegistryKeyDefined(HKEY_LOCAL_MACHINE, "Software\\Torvane"));
    EXPECT_TRUE(WindowUtil::isRegistryKeyDefined(HKEY_LOCAL_MACHINE, "Software\\Torvane\\Test\\"));
    EXPECT_FALSE(WindowUtil::isRegistryKeyDefined(HKEY_CURRENT_USER, KEY));  // roots are separate trees
    EXPECT_FALSE(WindowUtil::isRegistryKeyDefined(HKEY_LOCAL_MACHINE, "Software\\\\Torvane"));
    // A missing value under an existing key takes the unsupported path; a
    // missing key gives "" quietly.
    EXPECT_EQ("check: false unsupported", valueOf(KEY, "Nothing"));
    EXPECT_FALSE(WindowUtil::isRegistryKeyDefined(HKEY_LOCAL_MACHINE, KEY, "Nothing"));
    EXPECT_EQ("", valueOf("Software\\Torvane\\Missing", "Text"));
}

TEST_F(RegistryTest, Regedit4FileHoldsItsStringsAs8BitText)
{
    file("a.reg",
         "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Torvane\\Test]\r\n"
         "\"Text\"=\"plain\"\r\n\"Expand\"=hex(2):25,54,45,4d,50,25,00\r\n\"Max32\"=dword:FFFFFFFF\r\n\r\n");
    EXPECT_EQ("plain", valueOf(KEY, "Text"));
    EXPECT_EQ("%TEMP%", valueOf(KEY, "Expand"));
    EXPECT_EQ("4294967295", valueOf(KEY, "Max32"));
}

TEST_F(RegistryTest, SeventyNineBytesOfTextFitTheBufferAndEightyDoNot)
{
    const std::string fits(79, 'x'), tooLong(80, 'x');
    // 39 two-byte letters and one more byte: 79 bytes in UTF-8, 40 in UTF-16 units.
    const std::string wide = std::string(39, '\xfc') + "y";
    file("a.reg", testKeyFile("\"Fits\"=\"" + fits + "\"\r\n\"TooLong\"=\"" + tooLong + "\"\r\n\"Wide\"=\"" + wide +
                              "\"\r\n\"WideTooLong\"=\"" + wide + "z\"\r\n"));
    EXPECT_TRUE(WindowUtil::isRegistryKeyDefined(HKEY_LOCAL_MACHINE, KEY, "Fits"));
    EXPECT_EQ(fits, valueOf(KEY, "Fits"));
    EXPECT_FALSE(WindowUtil::isRegistryKeyDefined(HKEY_LOCAL_MACHINE, KEY, "TooLong"));
    EXPECT_EQ("check: false unsupported", valueOf(KEY, "TooLong"));
    EXPECT_EQ(79u, valueOf(KEY, "Wide").size());
    EXPECT_FALSE(WindowUtil::isRegistryKeyDefined(HKEY_LOCAL_MACHINE, KEY, "WideTooLong"));
}

TEST_F(RegistryTest, LaterFilesOverrideAndDeleteWhatEarlierOnesSet)
{
    file("10-base.reg", testKeyFile("\"A\"=\"base\"\r\n\"B\"=\"base\"\r\n\"C\"=\"base\"\r\n\r\n"
                                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Torvane\\Test\\Sub\\Deeper]\r\n\"D\"=\"base\"\r\n\r\n"
                                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Torvane\\Test Sibling]\r\n\"E\"=\"base\"\r\n"));
    file("20-site.REG", utf16File(HEAD + "[hkey_local_machine\\software\\torvane\\test]\r\n\"a\"=\"site\"\r\n"
                                         "\"B\"=-\r\n\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Torvane\\Test\\Sub]\r\n\r\n"));
    file("15-ignored.txt", "not a registry file");
    EXPECT_EQ("site", valueOf(KEY, "A"));
    EXPECT_EQ("check: false unsupported", valueOf(KEY, "B"));
    EXPECT_EQ("base", valueOf(KEY, "C"));
    EXPECT_FALSE(WindowUtil::isRegistryKeyDefined(HKEY_LOCAL_MACHINE, "SOFTWARE\\Torvane\\Test\\Sub"));
    EXPECT_FALSE(WindowUtil::isRegistryKeyDefined(HKEY_LOCAL_MACHINE, "SOFTWARE\\Torvane\\Test\\Sub\\Deeper"));
    EXPECT_EQ("base", valueOf("SOFTWARE\\Torvane\\Test Sibling", "E"));

    // A change is seen at the next call: a file renamed over another, a new
    // file, a file removed.
    file(".tmp", testKeyFile("\"C\"=\"changed\"\r\n"));
    ASSERT_EQ(0, ::rename((_store / ".tmp").c_str(), (_store / "10-base.reg").c_str()));
    EXPECT_EQ("changed", valueOf(KEY, "C"));
    EXPECT_EQ("", valueOf("SOFTWARE\\Torvane\\Test Sibling", "E"));
    ::unlink((_store / "20-site.REG").c_str());
    EXPECT_EQ("check: false unsupported", valueOf(KEY, "A"));
}

TEST_F(RegistryTest, BrokenFileIsReportedOnceWithItsLineAndSkipped)
{
    file("a.reg", testKeyFile("\"Good\"=\"yes\"\r\n"));
    file("b.reg", testKeyFile("\"Good\"=\"overridden\"\r\n\"Bad\"=dword:123456789\r\n"));
    testing::internal::CaptureStderr();
    EXPECT_EQ("yes", valueOf(KEY, "Good"));
    EXPECT_EQ("yes", valueOf(KEY, "Good"));
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_EQ("qvxUtil: registry file " + (_store / "b.reg") +
                  " line 5: a dword value does not have 1 to 8 hexadecimal digits; the file is skipped\n",
              reported);
}

TEST_F(RegistryTest, EmptyNamesFailTheirChecksAndRootsAlwaysExist)
{
    EXPECT_EQ("subKey.length()", failedCheck([] { WindowUtil::isRegistryKeyDefined(HKEY_USERS, ""); }));
    EXPECT_EQ("value.length()", failedCheck([] { WindowUtil::isRegistryKeyDefined(HKEY_USERS, "x", ""); }));
    EXPECT_EQ("subKey.length()", failedCheck([] { WindowUtil::getRegistryValue(HKEY_USERS, "", "v"); }));
    EXPECT_EQ("value.length()", failedCheck([] { WindowUtil::getRegistryValue(HKEY_USERS, "x", ""); }));
    qvxtest::NopMode nop;
    EXPECT_TRUE(WindowUtil::isRegistryKeyDefined(HKEY_USERS, ""));
    EXPECT_FALSE(WindowUtil::isRegistryKeyDefined(reinterpret_cast<HKEY>(0x1234), "x"));
}

TEST_F(RegistryTest, HandlesAreCheckedAndOpenKeysOpenTheirSubkeys)
{
    file("a.reg", "REGEDIT4\n[HKEY_CURRENT_CONFIG\\A\\B]\n\"V\"=\"1\"\n");
    HKEY a = nullptr, b = nullptr;
    ASSERT_EQ(REGISTRY_SUCCESS, openRegistryKey(HKEY_CURRENT_CONFIG, "a", a));
    ASSERT_EQ(REGISTRY_SUCCESS, openRegistryKey(a, "b", b));
    unsigned type = 0;
    std::size_t size = 0;
    EXPECT_EQ(REGISTRY_SUCCESS, queryRegistryValue(b, "v", type, nullptr, size));
    EXPECT_EQ(2u, size);
    unsigned char one[1];
    size = sizeof one;
    EXPECT_EQ(REGISTRY_MORE_DATA, queryRegistryValue(b, "v", type, one, size));
    EXPECT_EQ(REGISTRY_SUCCESS, closeRegistryKey(b));
    EXPECT_EQ(REGISTRY_INVALID_HANDLE, closeRegistryKey(b));
    EXPECT_EQ(REGISTRY_INVALID_HANDLE, queryRegistryValue(b, "v", type, nullptr, size));
    EXPECT_EQ(REGISTRY_NOT_FOUND, openRegistryKey(a, "missing", b));
    EXPECT_EQ(REGISTRY_SUCCESS, closeRegistryKey(a));
}

TEST_F(RegistryTest, ValuesSetAndFilesImportedGoIntoTheStore)
{
    std::string error;
    ASSERT_TRUE(setRegistryValue(HKEY_LOCAL_MACHINE, KEY, "Count", REGISTRY_TYPE_NUMBER32,
                                 std::string("\x07\0\0\0", 4), error)) << error;
    ASSERT_TRUE(setRegistryValue(HKEY_LOCAL_MACHINE, KEY, "Name", REGISTRY_TYPE_STRING, std::string("one\0", 4),
                                 error)) << error;
    ASSERT_TRUE(setRegistryValue(HKEY_LOCAL_MACHINE, KEY, "name", REGISTRY_TYPE_STRING, std::string("two\0", 4),
                                 error)) << error;
    EXPECT_EQ("7", valueOf(KEY, "Count"));
    EXPECT_EQ("two", valueOf(KEY, "Name"));
    EXPECT_EQ(testKeyFile("\"Count\"=dword:00000007\r\n\"name\"=\"two\"\r\n"), TempDir::read(_store / "local.reg"));

    TempDir elsewhere;
    TempDir::write(elsewhere / "bad.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"unclosed\n");
    EXPECT_FALSE(importRegistryFile(elsewhere / "bad.reg", error));
    EXPECT_EQ(elsewhere / "bad.reg" + " line 3: a text value is not closed by '\"' at the end of its line", error);
    TempDir::write(elsewhere / "z.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Torvane\\Test]\n\"Count\"=-\n");
    ASSERT_TRUE(importRegistryFile(elsewhere / "z.reg", error)) << error;
    EXPECT_EQ("check: false unsupported", valueOf(KEY, "Count"));

    // A local.reg that does not parse is never overwritten.
    file("local.reg", "broken");
    EXPECT_FALSE(setRegistryValue(HKEY_LOCAL_MACHINE, KEY, "Count", REGISTRY_TYPE_STRING, std::string("\0", 1),
                                  error));
    EXPECT_EQ("broken", TempDir::read(_store / "local.reg"));
}

TEST_F(RegistryTest, ReadersOnSeveralThreadsSeeWholeValuesWhileTheStoreChanges)
{
    std::string error;
    ASSERT_TRUE(setRegistryValue(HKEY_LOCAL_MACHINE, KEY, "Step", REGISTRY_TYPE_STRING, std::string("0\0", 2), error));
    std::vector<std::thread> readers;
    std::vector<int> bad(4, 0);
    for (int t = 0; t < 4; ++t)
        readers.emplace_back([t, &bad] {
            for (int i = 0; i < 300; ++i)
            {
                const std::string v = WindowUtil::getRegistryValue(HKEY_LOCAL_MACHINE, KEY, "Step");
                if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos || std::stoi(v) > 20)
                    ++bad[t];
            }
        });
    for (int step = 1; step <= 20; ++step)
        EXPECT_TRUE(setRegistryValue(HKEY_LOCAL_MACHINE, KEY, "Step", REGISTRY_TYPE_STRING,
                                     std::to_string(step) + '\0', error)) << error;
    for (std::thread& t : readers)
        t.join();
    EXPECT_EQ(std::vector<int>(4, 0), bad);
    EXPECT_EQ("20", valueOf(KEY, "Step"));
}

// The reader refuses what it cannot read, at the right line, and reads back
// what the writer wrote.
TEST(RegistryFileTest, MalformedLinesAreRefusedAtTheirLine)
{
    const struct
    {
        std::string text;
        std::size_t line;
    } cases[] = {
        {"", 1},
        {utf16File("REGEDIT4\r\n"), 1},  // the old header in the new encoding
        {"REGEDIT5\n", 1},
        {"REGEDIT4\n\"v\"=\"value before any key\"\n", 2},
        {"REGEDIT4\n[HKEY_NOWHERE\\X]\n", 2},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\\\X]\n", 2},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X\n", 2},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"v\"=dword:\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"v\"=hex:1,2,345\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"v\"=hex(2x):00\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"v\"=hex:01,\\\n  02,\\\n", 4},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"v\"=hex:01,\\\n  zz\n", 4},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"v\" \"w\"\n", 3},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\X]\n\"v\"=\"after a deletion\"\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"v\"=\"a\" trailing\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\nv=1\n", 3},
    };
    for (const auto& c : cases)
    {
        RegistryFileContents contents;
        std::size_t line = 0;
        std::string why;
        EXPECT_FALSE(parseRegistryFile(c.text.data(), c.text.size(), contents, line, why)) << c.text;
        EXPECT_EQ(c.line, line) << c.text << why;
        EXPECT_TRUE(contents.entries.empty());
    }
}

TEST(RegistryFileTest, WrittenFilesReadBackToTheSameEntries)
{
    for (RegistryFileVersion version : {RegistryFileVersion::Version5, RegistryFileVersion::Regedit4})
    {
        RegistryFileContents written;
        written.version = version;
        auto add = [&written](RegistryOperation op, const std::string& key, const std::string& name, unsigned type,
                              const std::string& data) { written.entries.push_back({op, key, name, type, data}); };
        const std::string k = "HKEY_LOCAL_MACHINE\\Soft\\Caf\xc3\xa9 \"q\"";
        add(RegistryOperation::CreateKey, k, "", 0, "");
        add(RegistryOperation::SetValue, k, "", REGISTRY_TYPE_STRING, std::string("def\0", 4));
        add(RegistryOperation::SetValue, k, "back\\slash \"q\"", REGISTRY_TYPE_STRING,
            std::string("C:\\x \"y\" \xe2\x82\xac\0", 13));
        add(RegistryOperation::SetValue, k, "lines", REGISTRY_TYPE_STRING, std::string("a\r\nb\0", 5));
        add(RegistryOperation::SetValue, k, "n", REGISTRY_TYPE_NUMBER32, std::string("\x01\x02\x03\x04", 4));
        add(RegistryOperation::SetValue, k, "odd", REGISTRY_TYPE_NUMBER32, std::string("\x01", 1));
        add(RegistryOperation::SetValue, k, "multi", REGISTRY_TYPE_MULTI_STRING,
            std::string(60, 'm') + std::string("\0x\0\0", 4));
        add(RegistryOperation::SetValue, k, "big", 0x12345, std::string(200, '\xab'));
        add(RegistryOperation::DeleteValue, k, "gone", 0, "");
        add(RegistryOperation::DeleteKey, "HKEY_USERS\\Old", "", 0, "");
        add(RegistryOperation::CreateKey, k, "", 0, "");
        add(RegistryOperation::SetValue, k, "again", REGISTRY_TYPE_BINARY, "");
        const std::string bytes = formatRegistryFile(written);
        RegistryFileContents read;
        std::size_t line = 0;
        std::string why;
        ASSERT_TRUE(parseRegistryFile(bytes.data(), bytes.size(), read, line, why)) << line << why;
        EXPECT_EQ(version, read.version);
        ASSERT_EQ(written.entries.size(), read.entries.size());
        for (std::size_t i = 0; i < read.entries.size(); ++i)
        {
            const RegistryEntry &w = written.entries[i], &r = read.entries[i];
            EXPECT_TRUE(w.operation == r.operation && w.key == r.key && w.name == r.name && w.type == r.type &&
                        w.data == r.data)
                << i << ": " << r.key << " " << r.name << " " << r.type;
        }
    }
}

}  // namespace
