// qvxutil reg: the registry store.
//   reg get 'HKLM\KEY' VALUE                       the value as the library reads it
//   reg set 'HKLM\KEY' VALUE --sz|--dword|--qword DATA   into local.reg of the store
//   reg import FILE.reg                            checked, then copied into the store
//   reg export [KEY]                               REGEDIT4 text of the store (or of KEY)
#include <cerrno>
#include <cstdlib>
#include <iostream>

#include "AssertException.h"
#include "Command.h"
#include "Registry.h"
#include "WindowUtil.h"
#include "kbrAssert.h"

namespace {

using namespace qvx::platform;

void splitKey(const std::string& path, HKEY& root, std::string& subKey)
{
    if (!splitRegistryKeyPath(path, root, subKey) || subKey.empty())
        throw qvxutil::UsageError{"'" + path + "' is not a key below a root such as HKLM\\Software\\X"};
}

int failed(const std::string& text)
{
    std::cerr << "qvxutil: " << text << '\n';
    return 1;
}

int get(const qvxutil::Args& args)
{
    if (args.size() != 3)
        throw qvxutil::UsageError{"reg get needs KEY VALUE"};
    HKEY root;
    std::string subKey;
    splitKey(args[1], root, subKey);
    if (!WindowUtil::isRegistryKeyDefined(root, subKey))
        return failed("no key " + args[1] + " in " + registryStoreDirectory());
    enableAssertExceptionMode();
    try
    {
        std::cout << WindowUtil::getRegistryValue(root, subKey, args[2]) << '\n';
        return 0;
    }
    catch (const AssertException&)
    {
        // Say why the library gives nothing: the value's own facts.
        HKEY key;
        unsigned type = 0;
        std::size_t size = 0;
        if (openRegistryKey(root, subKey, key) != REGISTRY_SUCCESS)
            return failed("the key " + args[1] + " is gone");
        const long status = queryRegistryValue(key, args[2], type, nullptr, size);
        closeRegistryKey(key);
        if (status != REGISTRY_SUCCESS)
            return failed("no value " + args[2] + " under " + args[1]);
        if (size > 80)
            return failed("the value's data is " + std::to_string(size) + " bytes, more than the 80 read");
        return failed("the value is of type " + std::to_string(type) + ", which is not read as text");
    }
}

bool number(const std::string& text, bool wide, std::string& data)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text.find_first_of(" \t") != std::string::npos)
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || (!wide && v > 0xFFFFFFFFull))
        return false;
    data.clear();
    for (int i = 0; i < (wide ? 8 : 4); ++i)
        data += static_cast<char>((v >> (8 * i)) & 0xFF);
    return true;
}

int set(const qvxutil::Args& args)
{
    if (args.size() != 5)
        throw qvxutil::UsageError{"reg set needs KEY VALUE --sz|--dword|--qword DATA"};
    HKEY root;
    std::string subKey;
    splitKey(args[1], root, subKey);
    unsigned type;
    std::string data;
    if (args[3] == "--sz")
    {
        type = REGISTRY_TYPE_STRING;
        data = args[4] + '\0';
    }
    else if (args[3] == "--dword" || args[3] == "--qword")
    {
        const bool wide = args[3] == "--qword";
        type = wide ? REGISTRY_TYPE_NUMBER64 : REGISTRY_TYPE_NUMBER32;
        if (!number(args[4], wide, data))
            throw qvxutil::UsageError{args[3] + " needs an unsigned " + (wide ? "64" : "32") +
                                      "-bit number (decimal, or hexadecimal after 0x)"};
    }
    else
        throw qvxutil::UsageError{"the type is --sz, --dword or --qword"};
    std::string error;
    if (!setRegistryValue(root, subKey, args[2], type, data, error))
        return failed(error);
    std::cout << "set in " << registryStoreDirectory() << "/local.reg\n";
    return 0;
}

int runReg(const qvxutil::Args& args)
{
    const std::string verb = args.empty() ? std::string() : args[0];
    if (verb == "get")
        return get(args);
    if (verb == "set")
        return set(args);
    std::string error;
    if (verb == "import" && args.size() == 2)
    {
        if (!importRegistryFile(args[1], error))
            return failed(error);
        std::cout << "imported into " << registryStoreDirectory() << '\n';
        return 0;
    }
    if (verb == "export" && args.size() <= 2)
    {
        RegistryFileContents contents;
        if (!exportRegistry(args.size() == 2 ? args[1] : std::string(), contents, error))
            return failed(error);
        std::cout << formatRegistryFile(contents);
        return 0;
    }
    throw qvxutil::UsageError{"reg needs get, set, import FILE or export [KEY]"};
}

const qvxutil::Command::Registration registration{
    {"reg", "reg get|set|import|export ...",
     "registry store: get KEY VALUE, set KEY VALUE --sz|--dword|--qword DATA, import FILE, export [KEY]",
     &runReg}};

}  // namespace
