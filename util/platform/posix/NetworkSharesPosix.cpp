#include "NetworkShares.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <vector>

#include "Environment.h"
#include "HostPath.h"
#include "Process.h"

namespace qvx {
namespace platform {

namespace {

const char* const DEFAULT_CONFIGURATION = "/etc/samba/smb.conf";
constexpr std::size_t MAX_OUTPUT = 1 << 20;
constexpr int NET_TIMEOUT_MS = 30000;

std::string lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return s;
}

std::string trim(const std::string& s)
{
    const std::size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

bool hasControlCharacter(const std::string& s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

bool validShareName(const std::string& name)
{
    return !name.empty() && name.size() <= 80 && !hasControlCharacter(name) &&
           name.find_first_of("\\/[]:|<>+=;,?*\"") == std::string::npos && name.front() != ' ' &&
           name.back() != ' ' && lower(name) != "global";
}

// Whether the configuration's [global] section takes shares from the registry.
bool registryConfigured(const std::string& file)
{
    std::ifstream in(file);
    std::string line;
    bool global = false;
    while (std::getline(in, line))
    {
        line = trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line[0] == '[')
        {
            global = lower(trim(line.substr(1, line.find(']') - 1))) == "global";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!global || equals == std::string::npos)
            continue;
        std::string key;
        for (char c : lower(line.substr(0, equals)))
            if (c != ' ' && c != '\t')
                key += c;
        const std::string value = lower(trim(line.substr(equals + 1)));
        if ((key == "include" || key == "configbackend") && value == "registry")
            return true;
        if (key == "registryshares" && (value == "yes" || value == "true" || value == "1"))
            return true;
    }
    return false;
}

// Runs `net -s CONF -- conf ARGS...`. The status when it did not succeed.
unsigned netConf(const std::string& configuration, const std::vector<std::string>& args, std::string& output)
{
    std::vector<std::string> argv = {"net", "-s", configuration, "--", "conf"};
    argv.insert(argv.end(), args.begin(), args.end());
    int exitCode = -1;
    if (runProcess("net", argv, MAX_OUTPUT, NET_TIMEOUT_MS, output, exitCode) != 0)
        return SHARE_SERVICE_NOT_STARTED;
    if (exitCode == 0)
        return SHARE_SUCCESS;
    if (output.find("ACCESS_DENIED") != std::string::npos)
        return SHARE_ACCESS_DENIED;
    if (output.find("already exists") != std::string::npos)
        return SHARE_DUPLICATE;
    if (output.find("does not exist") != std::string::npos)
        return SHARE_NOT_FOUND;
    return SHARE_SERVICE_NOT_STARTED;
}

// The configuration file when it exists and is set up for registry shares.
unsigned usableConfiguration(std::string& configuration)
{
    configuration = sambaConfigurationFile();
    struct stat st;
    if (::stat(configuration.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !registryConfigured(configuration))
        return SHARE_SERVICE_NOT_STARTED;
    return SHARE_SUCCESS;
}

}  // namespace

std::string sambaConfigurationFile()
{
    std::string file;
    if (!getEnvironmentVariable("QVX_SMB_CONF", file) || file.empty())
        file = DEFAULT_CONFIGURATION;
    return file;
}

bool isLocalServerName(const std::string& serverName)
{
    std::string name = serverName.compare(0, 2, "\\\\") == 0 ? serverName.substr(2) : serverName;
    name = lower(name);
    if (name.empty() || name == "localhost" || name == "127.0.0.1")
        return true;
    char host[HOST_NAME_MAX + 1] = {};
    return ::gethostname(host, sizeof host - 1) == 0 && name == lower(host);
}

unsigned addNetworkShare(const ShareDefinition& share)
{
    if (share.type != SHARE_TYPE_DISK || !validShareName(share.name) || hasControlCharacter(share.remark) ||
        hasControlCharacter(share.path))
        return SHARE_INVALID_PARAMETER;
    if (!share.password.empty())
        return SHARE_NOT_SUPPORTED;
    std::string configuration;
    if (unsigned status = usableConfiguration(configuration))
        return status;
    const std::string hostPath = toHostPath(share.path);
    struct stat st;
    if (hostPath.empty() || hostPath[0] != '/' || ::stat(hostPath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return SHARE_UNKNOWN_DIRECTORY;

    std::string output;
    if (unsigned status = netConf(configuration, {"listshares"}, output))
        return status;
    const std::string wanted = lower(share.name);
    std::size_t start = 0;
    while (start < output.size())
    {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        if (lower(trim(output.substr(start, end - start))) == wanted)
            return SHARE_DUPLICATE;
        start = end + 1;
    }
    if (unsigned status = netConf(configuration, {"addshare", share.name, hostPath}, output))
        return status;

    std::vector<std::vector<std::string>> settings = {
        {"setparm", share.name, "read only", share.readOnly ? "yes" : "no"}};
    if (!share.remark.empty())
        settings.push_back({"setparm", share.name, "comment", share.remark});
    if (share.maxUses == 0)
        settings.push_back({"setparm", share.name, "available", "no"});
    else if (share.maxUses != SHARE_UNLIMITED_USES)
        settings.push_back({"setparm", share.name, "max connections", std::to_string(share.maxUses)});
    for (const auto& setting : settings)
    {
        if (unsigned status = netConf(configuration, setting, output))
        {
            netConf(configuration, {"delshare", share.name}, output);
            return status;
        }
    }
    return SHARE_SUCCESS;
}

unsigned getNetworkSharePath(const std::string& serverName, const std::string& shareName, std::string& path)
{
    path.clear();
    if (!isLocalServerName(serverName))
        return SHARE_BAD_NETWORK_PATH;
    if (!validShareName(shareName))
        return SHARE_NOT_FOUND;
    std::string configuration;
    if (unsigned status = usableConfiguration(configuration))
        return status;
    std::string output;
    if (unsigned status = netConf(configuration, {"getparm", shareName, "path"}, output))
        return status;
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r'))
        output.pop_back();
    path = fromHostPath(output);
    return SHARE_SUCCESS;
}

}  // namespace platform
}  // namespace qvx
