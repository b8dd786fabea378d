#ifndef QVX_REGISTRY_FILE_H
#define QVX_REGISTRY_FILE_H

#include <cstddef>
#include <string>
#include <vector>

#include "HostRegistryKey.h"
#include "QvxExport.h"

// The registry editor's export format (".reg" files), read and written.
//
// Two versions: "Windows Registry Editor Version 5.00" is UTF-16LE text with a
// byte-order mark and CRLF line ends, whose hex(2) and hex(7) data hold UTF-16LE
// text; "REGEDIT4" is 8-bit text whose hex data hold 8-bit text. A 5.00 header
// in an 8-bit file (no byte-order mark, or a UTF-8 one) is read as UTF-8 text.
// Lines end in CRLF or LF.
//
// After the header: key sections "[HKEY_LOCAL_MACHINE\Software\X]" (the roots
// by their full names or as HKLM, HKCU, HKCR, HKU, HKCC), key deletions
// "[-KEY]", and under a key the values "name"=DATA or @=DATA (the default
// value), where DATA is "text" (the escapes \\ and \"), dword:XXXXXXXX,
// hex:BYTES (binary), hex(N):BYTES (type N in hexadecimal: hex(2) an
// expandable string, hex(7) a multi-string, hex(b) a 64-bit number), or - (the
// value is deleted). Byte lists are two-digit hexadecimal numbers separated by
// commas, continued on the next line after a final backslash. Blank lines and
// lines starting with ";" are passed over. Anything else is an error at its
// line, and the whole file is refused.
//
// Value data is kept as the registry's 8-bit calls return it: strings (types
// 1, 2 and 7) as UTF-8 text with their terminators, everything else as the
// bytes given.
namespace qvx {
namespace platform {

// Registry value types, numbered as the registry numbers them.
constexpr unsigned REGISTRY_TYPE_NONE = 0;
constexpr unsigned REGISTRY_TYPE_STRING = 1;
constexpr unsigned REGISTRY_TYPE_EXPANDABLE_STRING = 2;
constexpr unsigned REGISTRY_TYPE_BINARY = 3;
constexpr unsigned REGISTRY_TYPE_NUMBER32 = 4;
constexpr unsigned REGISTRY_TYPE_MULTI_STRING = 7;
constexpr unsigned REGISTRY_TYPE_NUMBER64 = 11;

enum class RegistryOperation
{
    CreateKey,    // [KEY]: the key and every key above it exist
    DeleteKey,    // [-KEY]: the key and everything below it are gone
    SetValue,     // "name"=DATA under the current key
    DeleteValue   // "name"=- under the current key
};

struct RegistryEntry
{
    RegistryOperation operation = RegistryOperation::CreateKey;
    std::string key;   // full path, root by its full name, no trailing backslash
    std::string name;  // value name; "" is the default value
    unsigned type = REGISTRY_TYPE_NONE;
    std::string data;
};

enum class RegistryFileVersion
{
    Version5,  // UTF-16LE, "Windows Registry Editor Version 5.00"
    Regedit4   // 8-bit, "REGEDIT4"
};

struct RegistryFileContents
{
    RegistryFileVersion version = RegistryFileVersion::Version5;
    std::vector<RegistryEntry> entries;  // in the order of the file
};

// Reads a file's bytes. On failure: false, the 1-based line and what is wrong.
QVXUTIL_API bool parseRegistryFile(const char* bytes, std::size_t size, RegistryFileContents& contents,
                                   std::size_t& errorLine, std::string& errorText);

// The bytes of a file holding contents, in its version's encoding, CRLF line
// ends. parseRegistryFile reads them back to the same entries.
QVXUTIL_API std::string formatRegistryFile(const RegistryFileContents& contents);

// Splits "HKEY_LOCAL_MACHINE\Software\X" (or "HKLM\Software\X") into its
// predefined root and the path below it ("" for the root itself). False when
// the path does not start with a root's name or holds an empty component.
QVXUTIL_API bool splitRegistryKeyPath(const std::string& path, HKEY& root, std::string& subKey);

// The full name of a predefined root ("HKEY_LOCAL_MACHINE"), "" for any other
// handle.
QVXUTIL_API const char* registryRootName(HKEY root);

}  // namespace platform
}  // namespace qvx

#endif
