// The Windows registry itself (RegOpenKeyEx, RegQueryValueEx, RegSetValueEx,
// ...) behind the registry facility; there is no store directory. Registry
// files are applied entry by entry, and exports are read from the registry.
#include "Registry.h"

#include <windows.h>

#include <vector>

namespace qvx {
namespace platform {

static_assert(REGISTRY_SUCCESS == ERROR_SUCCESS && REGISTRY_NOT_FOUND == ERROR_FILE_NOT_FOUND &&
                  REGISTRY_INVALID_HANDLE == ERROR_INVALID_HANDLE && REGISTRY_MORE_DATA == ERROR_MORE_DATA,
              "registry statuses");
static_assert(REGISTRY_TYPE_STRING == REG_SZ && REGISTRY_TYPE_EXPANDABLE_STRING == REG_EXPAND_SZ &&
                  REGISTRY_TYPE_BINARY == REG_BINARY && REGISTRY_TYPE_NUMBER32 == REG_DWORD &&
                  REGISTRY_TYPE_MULTI_STRING == REG_MULTI_SZ && REGISTRY_TYPE_NUMBER64 == REG_QWORD,
              "registry types");

namespace {

bool isPredefined(HKEY key)
{
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_USERS ||
           key == HKEY_CURRENT_CONFIG;
}

std::string reason(const char* what, LONG status)
{
    return std::string(what) + " failed with status " + std::to_string(status);
}

bool apply(const RegistryEntry& entry, std::string& error)
{
    HKEY root = nullptr;
    std::string subKey;
    if (!splitRegistryKeyPath(entry.key, root, subKey))
    {
        error = "not a registry key path: " + entry.key;
        return false;
    }
    if (entry.operation == RegistryOperation::DeleteKey)
    {
        const LONG rc = ::RegDeleteTreeA(root, subKey.empty() ? nullptr : subKey.c_str());
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        {
            error = reason(("deleting " + entry.key).c_str(), rc);
            return false;
        }
        return true;
    }
    HKEY key = nullptr;
    LONG rc = ::RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS)
    {
        error = reason(("creating " + entry.key).c_str(), rc);
        return false;
    }
    if (entry.operation == RegistryOperation::SetValue)
        rc = ::RegSetValueExA(key, entry.name.c_str(), 0, entry.type,
                              reinterpret_cast<const BYTE*>(entry.data.data()), static_cast<DWORD>(entry.data.size()));
    else if (entry.operation == RegistryOperation::DeleteValue)
    {
        rc = ::RegDeleteValueA(key, entry.name.c_str());
        if (rc == ERROR_FILE_NOT_FOUND)
            rc = ERROR_SUCCESS;
    }
    ::RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
    {
        error = reason(("setting " + entry.key + "\\" + entry.name).c_str(), rc);
        return false;
    }
    return true;
}

// Appends the key at path (open as key) with its values, then its subkeys.
void exportKey(HKEY key, const std::string& path, RegistryFileContents& contents)
{
    RegistryEntry created;
    created.operation = RegistryOperation::CreateKey;
    created.key = path;
    contents.entries.push_back(created);
    std::vector<char> name(16384);
    std::vector<unsigned char> data;
    for (DWORD i = 0;; ++i)
    {
        DWORD nameLength = static_cast<DWORD>(name.size()), type = 0, size = 0;
        LONG rc = ::RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, nullptr, &size);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            continue;
        data.resize(size);
        nameLength = static_cast<DWORD>(name.size());
        rc = ::RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (rc != ERROR_SUCCESS)
            continue;
        RegistryEntry value;
        value.operation = RegistryOperation::SetValue;
        value.key = path;
        value.name.assign(name.data(), nameLength);
        value.type = type;
        value.data.assign(reinterpret_cast<const char*>(data.data()), size);
        contents.entries.push_back(value);
    }
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i)
    {
        DWORD nameLength = static_cast<DWORD>(name.size());
        const LONG rc = ::RegEnumKeyExA(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc == ERROR_SUCCESS)
            children.emplace_back(name.data(), nameLength);
    }
    for (const std::string& child : children)
    {
        HKEY sub = nullptr;
        if (::RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS)
            continue;
        exportKey(sub, path + "\\" + child, contents);
        ::RegCloseKey(sub);
    }
}

}  // namespace

long openRegistryKey(HKEY root, const std::string& subKey, HKEY& key)
{
    return ::RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key);
}

long closeRegistryKey(HKEY key)
{
    return isPredefined(key) ? ERROR_SUCCESS : ::RegCloseKey(key);
}

long queryRegistryValue(HKEY key, const std::string& name, unsigned& type, unsigned char* data, std::size_t& size)
{
    DWORD valueType = 0;
    DWORD length = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
    const LONG rc = ::RegQueryValueExA(key, name.c_str(), nullptr, &valueType, data, &length);
    if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA)
    {
        type = valueType;
        size = length;
    }
    return rc;
}

std::string registryStoreDirectory()
{
    return std::string();
}

bool setRegistryValue(HKEY root, const std::string& subKey, const std::string& name, unsigned type,
                      const std::string& data, std::string& error)
{
    const char* rootName = registryRootName(root);
    if (rootName == nullptr || *rootName == '\0')
    {
        error = "not a predefined registry root";
        return false;
    }
    RegistryEntry entry;
    entry.operation = RegistryOperation::SetValue;
    entry.key = subKey.empty() ? std::string(rootName) : std::string(rootName) + "\\" + subKey;
    entry.name = name;
    entry.type = type;
    entry.data = data;
    return apply(entry, error);
}

bool importRegistryFile(const std::string& hostPath, std::string& error)
{
    const HANDLE file = ::CreateFileA(hostPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        error = "cannot open " + hostPath;
        return false;
    }
    LARGE_INTEGER length{};
    std::string bytes;
    bool read = ::GetFileSizeEx(file, &length) && length.QuadPart <= (64 << 20);
    if (read)
    {
        bytes.resize(static_cast<std::size_t>(length.QuadPart));
        DWORD got = 0;
        read = bytes.empty() || (::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                                 got == bytes.size());
    }
    ::CloseHandle(file);
    if (!read)
    {
        error = "cannot read " + hostPath + " (or it is larger than 64 MiB)";
        return false;
    }
    RegistryFileContents contents;
    std::size_t line = 0;
    std::string text;
    if (!parseRegistryFile(bytes.data(), bytes.size(), contents, line, text))
    {
        error = hostPath + ":" + std::to_string(line) + ": " + text;
        return false;
    }
    for (const RegistryEntry& entry : contents.entries)
        if (!apply(entry, error))
            return false;
    return true;
}

bool exportRegistry(const std::string& keyPath, RegistryFileContents& contents, std::string& error)
{
    contents = RegistryFileContents();
    const HKEY roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG};
    if (keyPath.empty())
    {
        for (HKEY root : roots)
            exportKey(root, registryRootName(root), contents);
        return true;
    }
    HKEY root = nullptr;
    std::string subKey;
    if (!splitRegistryKeyPath(keyPath, root, subKey))
    {
        error = "not a registry key path: " + keyPath;
        return false;
    }
    HKEY key = nullptr;
    const LONG rc = ::RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS)
    {
        error = reason(("opening " + keyPath).c_str(), rc);
        return false;
    }
    std::string full = registryRootName(root);
    if (!subKey.empty())
        full += "\\" + subKey;
    exportKey(key, full, contents);
    closeRegistryKey(key);
    return true;
}

}  // namespace platform
}  // namespace qvx
