#include "RegistryFile.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace qvx {
namespace platform {

namespace {

const char* const HEADER5 = "Windows Registry Editor Version 5.00";
const char* const HEADER4 = "REGEDIT4";

struct Root
{
    HKEY handle;
    const char* name;
    const char* shortName;
};

const Root ROOTS[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},   {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"}, {HKEY_USERS, "HKEY_USERS", "HKU"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC"},
};

bool equalsAsciiIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

void appendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80)
        out += static_cast<char>(c);
    else if (c < 0x800)
    {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else if (c < 0x10000)
    {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16LE to UTF-8. An unpaired surrogate becomes U+FFFD; an odd last byte
// is dropped.
std::string utf16ToUtf8(const unsigned char* p, std::size_t size)
{
    std::string out;
    out.reserve(size / 2 + size / 8);
    const std::size_t units = size / 2;
    for (std::size_t i = 0; i < units; ++i)
    {
        std::uint32_t c = p[2 * i] | (p[2 * i + 1] << 8);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units)
        {
            const std::uint32_t low = p[2 * i + 2] | (p[2 * i + 3] << 8);
            if (low >= 0xDC00 && low < 0xE000)
            {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
            else
                c = 0xFFFD;
        }
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        appendUtf8(out, c);
    }
    return out;
}

// UTF-8 to UTF-16LE bytes. A byte that starts no valid sequence stands for
// itself (as Latin-1), so that nothing is lost.
std::string utf8ToUtf16(std::string_view s)
{
    std::string out;
    out.reserve(s.size() * 2);
    auto unit = [&out](std::uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (std::size_t i = 0; i < s.size();)
    {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        std::uint32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
        bool ok = n != 0 && i + n <= s.size();
        for (std::size_t k = 1; ok && k < n; ++k)
        {
            const unsigned char t = static_cast<unsigned char>(s[i + k]);
            ok = (t & 0xC0) == 0x80;
            c = (c << 6) | (t & 0x3F);
        }
        if (ok && ((n == 2 && c < 0x80) || (n == 3 && (c < 0x800 || (c >= 0xD800 && c < 0xE000))) ||
                   (n == 4 && (c < 0x10000 || c > 0x10FFFF))))
            ok = false;
        if (!ok)
        {
            n = 1;
            c = b;
        }
        if (c >= 0x10000)
        {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        else
            unit(c);
        i += n;
    }
    return out;
}

bool isStringType(unsigned type)
{
    return type == REGISTRY_TYPE_STRING || type == REGISTRY_TYPE_EXPANDABLE_STRING ||
           type == REGISTRY_TYPE_MULTI_STRING;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view trimLeft(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    return s.substr(i);
}

std::string_view trimRight(std::string_view s)
{
    std::size_t n = s.size();
    while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t'))
        --n;
    return s.substr(0, n);
}

class Parser
{
public:
    Parser(std::string_view text, RegistryFileContents& contents) : _text(text), _contents(contents) {}

    bool run(std::size_t& errorLine, std::string& errorText)
    {
        std::string_view line;
        if (!nextLine(line))
            return fail("the file is empty", errorLine, errorText);
        line = trimRight(line);
        if (line == HEADER5)
            _contents.version = RegistryFileVersion::Version5;
        else if (line == HEADER4)
            _contents.version = RegistryFileVersion::Regedit4;
        else
            return fail("the first line is not a registry file header", errorLine, errorText);
        while (nextLine(line))
        {
            line = trimRight(trimLeft(line));
            if (line.empty() || line[0] == ';')
                continue;
            const char* problem = line[0] == '[' ? keyLine(line) : valueLine(line);
            if (problem != nullptr)
                return fail(problem, errorLine, errorText);
        }
        return true;
    }

private:
    bool nextLine(std::string_view& line)
    {
        if (_pos >= _text.size())
            return false;
        std::size_t end = _text.find('\n', _pos);
        if (end == std::string_view::npos)
            end = _text.size();
        line = _text.substr(_pos, end - _pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        _pos = end + 1;
        ++_line;
        return true;
    }

    bool fail(const char* problem, std::size_t& errorLine, std::string& errorText)
    {
        errorLine = _line > 0 ? _line : 1;
        errorText = problem;
        return false;
    }

    const char* keyLine(std::string_view line)
    {
        const std::size_t close = line.rfind(']');
        if (close == std::string_view::npos || close + 1 != line.size())
            return "a key line does not end with ']'";
        std::string_view path = line.substr(1, close - 1);
        RegistryEntry entry;
        entry.operation = RegistryOperation::CreateKey;
        if (!path.empty() && path[0] == '-')
        {
            entry.operation = RegistryOperation::DeleteKey;
            path.remove_prefix(1);
        }
        HKEY root;
        std::string subKey;
        if (!splitRegistryKeyPath(std::string(path), root, subKey))
            return "a key path does not start with a root key or has an empty part";
        entry.key = registryRootName(root);
        if (!subKey.empty())
            entry.key += '\\' + subKey;
        _hasKey = entry.operation == RegistryOperation::CreateKey;
        _key = entry.key;
        _contents.entries.push_back(std::move(entry));
        return nullptr;
    }

    // Reads a quoted text starting at s[0] == '"'; s is left after the
    // closing quotation mark.
    static bool quoted(std::string_view& s, std::string& out)
    {
        std::size_t i = 1;
        for (; i < s.size() && s[i] != '"'; ++i)
        {
            if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"'))
                ++i;
            out += s[i];
        }
        if (i >= s.size())
            return false;
        s.remove_prefix(i + 1);
        return true;
    }

    const char* valueLine(std::string_view line)
    {
        if (!_hasKey)
            return "a value is not under a key";
        RegistryEntry entry;
        entry.key = _key;
        if (line[0] == '@')
            line.remove_prefix(1);
        else if (line[0] != '"' || !quoted(line, entry.name))
            return "a line is neither a key, a value nor a comment";
        line = trimLeft(line);
        if (line.empty() || line[0] != '=')
            return "a value name is not followed by '='";
        line = trimLeft(line.substr(1));
        entry.operation = RegistryOperation::SetValue;
        const char* problem = nullptr;
        if (line == "-")
            entry.operation = RegistryOperation::DeleteValue;
        else if (!line.empty() && line[0] == '"')
        {
            entry.type = REGISTRY_TYPE_STRING;
            if (!quoted(line, entry.data) || !trimLeft(line).empty())
                return "a text value is not closed by '\"' at the end of its line";
            entry.data += '\0';
        }
        else if (line.substr(0, 6) == "dword:")
            problem = number32(line.substr(6), entry);
        else if (line.substr(0, 3) == "hex")
            problem = hexValue(line.substr(3), entry);
        else
            problem = "a value's data is of no known form";
        if (problem == nullptr)
            _contents.entries.push_back(std::move(entry));
        return problem;
    }

    static const char* number32(std::string_view digits, RegistryEntry& entry)
    {
        if (digits.empty() || digits.size() > 8)
            return "a dword value does not have 1 to 8 hexadecimal digits";
        std::uint32_t v = 0;
        for (char c : digits)
        {
            const int d = hexDigit(c);
            if (d < 0)
                return "a dword value does not have 1 to 8 hexadecimal digits";
            v = (v << 4) | static_cast<std::uint32_t>(d);
        }
        entry.type = REGISTRY_TYPE_NUMBER32;
        for (int i = 0; i < 4; ++i)
            entry.data += static_cast<char>((v >> (8 * i)) & 0xFF);
        return nullptr;
    }

    // After "hex": ":" (binary) or "(N):", then the byte list.
    const char* hexValue(std::string_view s, RegistryEntry& entry)
    {
        entry.type = REGISTRY_TYPE_BINARY;
        if (!s.empty() && s[0] == '(')
        {
            const std::size_t close = s.find(')');
            if (close == std::string_view::npos || close < 2 || close > 9)
                return "a hex value's type is not 1 to 8 hexadecimal digits in parentheses";
            std::uint32_t t = 0;
            for (char c : s.substr(1, close - 1))
            {
                const int d = hexDigit(c);
                if (d < 0)
                    return "a hex value's type is not 1 to 8 hexadecimal digits in parentheses";
                t = (t << 4) | static_cast<std::uint32_t>(d);
            }
            entry.type = t;
            s.remove_prefix(close + 1);
        }
        if (s.empty() || s[0] != ':')
            return "a hex value has no ':' before its bytes";
        s.remove_prefix(1);
        std::string bytes;
        for (;;)
        {
            s = trimRight(trimLeft(s));
            const bool continued = !s.empty() && s.back() == '\\';
            if (continued)
                s.remove_suffix(1);
            while (!s.empty())
            {
                s = trimLeft(s);
                std::size_t n = 0;
                int value = 0;
                for (int d; n < s.size() && n < 3 && (d = hexDigit(s[n])) >= 0; ++n)
                    value = value * 16 + d;
                if (n == 0 || n > 2)
                    return "a byte of a hex value is not one or two hexadecimal digits";
                bytes += static_cast<char>(value);
                s = trimLeft(s.substr(n));
                if (!s.empty())
                {
                    if (s[0] != ',')
                        return "the bytes of a hex value are not separated by commas";
                    s.remove_prefix(1);
                }
            }
            if (!continued)
                break;
            if (!nextLine(s))
                return "a hex value is continued past the end of the file";
        }
        if (isStringType(entry.type) && _contents.version == RegistryFileVersion::Version5)
            entry.data = utf16ToUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        else
            entry.data = std::move(bytes);
        return nullptr;
    }

    std::string_view _text;
    RegistryFileContents& _contents;
    std::size_t _pos = 0;
    std::size_t _line = 0;
    bool _hasKey = false;
    std::string _key;
};

void appendQuoted(std::string& out, std::string_view text)
{
    out += '"';
    for (char c : text)
    {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

// A text value that "..." can carry: one terminator at the end, none inside,
// no line break.
bool plainText(const std::string& data)
{
    return !data.empty() && data.back() == '\0' &&
           data.find_first_of(std::string_view("\0\r\n", 3)) == data.size() - 1;
}

void appendHex(std::string& out, const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::size_t column = out.size() - out.rfind('\n') - 1;
    for (std::size_t i = 0; i < bytes.size(); ++i)
    {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
        column += 2;
        if (i + 1 < bytes.size())
        {
            out += ',';
            ++column;
            if (column > 76)
            {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
}

}  // namespace

bool parseRegistryFile(const char* bytes, std::size_t size, RegistryFileContents& contents,
                       std::size_t& errorLine, std::string& errorText)
{
    contents = RegistryFileContents();
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    bool ok;
    if (size >= 2 && b[0] == 0xFF && b[1] == 0xFE)
    {
        const std::string text = utf16ToUtf8(b + 2, size - 2);
        ok = Parser(text, contents).run(errorLine, errorText);
        if (ok && contents.version != RegistryFileVersion::Version5)
        {
            errorLine = 1;
            errorText = "a UTF-16 file does not have the version 5.00 header";
            ok = false;
        }
    }
    else
    {
        const std::size_t skip = size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF ? 3 : 0;
        ok = Parser(std::string_view(bytes + skip, size - skip), contents).run(errorLine, errorText);
    }
    if (!ok)
        contents.entries.clear();
    return ok;
}

std::string formatRegistryFile(const RegistryFileContents& contents)
{
    const bool v5 = contents.version == RegistryFileVersion::Version5;
    std::string text = v5 ? HEADER5 : HEADER4;
    text += "\r\n";
    std::string section;
    bool inSection = false;
    for (const RegistryEntry& e : contents.entries)
    {
        if (e.operation == RegistryOperation::DeleteKey)
        {
            text += "\r\n[-" + e.key + "]\r\n";
            inSection = false;
            continue;
        }
        if (!inSection || e.key != section || e.operation == RegistryOperation::CreateKey)
        {
            text += "\r\n[" + e.key + "]\r\n";
            section = e.key;
            inSection = true;
        }
        if (e.operation == RegistryOperation::CreateKey)
            continue;
        if (e.name.empty())
            text += '@';
        else
            appendQuoted(text, e.name);
        text += '=';
        if (e.operation == RegistryOperation::DeleteValue)
            text += '-';
        else if (e.type == REGISTRY_TYPE_STRING && plainText(e.data))
            appendQuoted(text, std::string_view(e.data.data(), e.data.size() - 1));
        else if (e.type == REGISTRY_TYPE_NUMBER32 && e.data.size() == 4)
        {
            char digits[16];
            const auto* d = reinterpret_cast<const unsigned char*>(e.data.data());
            std::snprintf(digits, sizeof digits, "dword:%08x",
                          static_cast<unsigned>(d[0] | d[1] << 8 | d[2] << 16 | static_cast<unsigned>(d[3]) << 24));
            text += digits;
        }
        else
        {
            char prefix[20];
            if (e.type == REGISTRY_TYPE_BINARY)
                std::snprintf(prefix, sizeof prefix, "hex:");
            else
                std::snprintf(prefix, sizeof prefix, "hex(%x):", e.type);
            text += prefix;
            appendHex(text, isStringType(e.type) && v5 ? utf8ToUtf16(e.data) : e.data);
        }
        text += "\r\n";
    }
    text += "\r\n";
    if (!v5)
        return text;
    return "\xFF\xFE" + utf8ToUtf16(text);
}

bool splitRegistryKeyPath(const std::string& path, HKEY& root, std::string& subKey)
{
    const std::size_t slash = path.find('\\');
    const std::string_view rootName = std::string_view(path).substr(0, slash);
    const Root* found = nullptr;
    for (const Root& r : ROOTS)
        if (equalsAsciiIgnoreCase(rootName, r.name) || equalsAsciiIgnoreCase(rootName, r.shortName))
            found = &r;
    if (found == nullptr)
        return false;
    root = found->handle;
    subKey = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    if (!subKey.empty() && subKey.back() == '\\')
        subKey.pop_back();
    if (subKey.empty())
        return slash == std::string::npos || slash + 1 == path.size();
    // No empty part: no leading, doubled or (after the one dropped) trailing backslash.
    return subKey.front() != '\\' && subKey.back() != '\\' && subKey.find("\\\\") == std::string::npos;
}

const char* registryRootName(HKEY root)
{
    for (const Root& r : ROOTS)
        if (r.handle == root)
            return r.name;
    return "";
}

}  // namespace platform
}  // namespace qvx
