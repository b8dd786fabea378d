// qvxutil share add PATH NAME [--read-only] [--max N] [--comment TEXT]: shares
// a directory of this machine. qvxutil share path NAME: the directory a share
// of this machine stands for. Exit code 1 with the share service's status
// when it refuses.
#include <iostream>

#include "Command.h"
#include "NetworkShares.h"
#include "WindowUtil.h"

namespace {

using namespace qvx::platform;

const char* statusText(unsigned status)
{
    switch (status)
    {
    case SHARE_ACCESS_DENIED: return "not allowed";
    case SHARE_NOT_SUPPORTED: return "not supported";
    case SHARE_INVALID_PARAMETER: return "invalid share name, type or comment";
    case SHARE_SERVICE_NOT_STARTED: return "no Samba configuration with registry shares to change";
    case SHARE_UNKNOWN_DIRECTORY: return "the path is not an existing directory";
    case SHARE_DUPLICATE: return "the share exists already";
    case SHARE_NOT_FOUND: return "no such share";
    default: return "refused";
    }
}

int refused(unsigned status)
{
    std::cerr << "qvxutil: " << statusText(status) << " (status " << status << ", configuration "
              << sambaConfigurationFile() << ")\n";
    return 1;
}

unsigned parseCount(const std::string& text)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoull(text) >= SHARE_UNLIMITED_USES)
        throw qvxutil::UsageError{"--max needs a number of connections below 4294967295"};
    return static_cast<unsigned>(std::stoull(text));
}

int runShare(const qvxutil::Args& args)
{
    if (args.size() == 2 && args[0] == "path")
    {
        std::string path;
        if (unsigned status = getNetworkSharePath("", args[1], path))
            return refused(status);
        std::cout << path << '\n';
        return 0;
    }
    if (args.size() < 3 || args[0] != "add")
        throw qvxutil::UsageError{"share needs add PATH NAME [options] or path NAME"};
    bool readOnly = false;
    unsigned maxUses = SHARE_UNLIMITED_USES;
    std::string comment;
    for (std::size_t i = 3; i < args.size(); ++i)
    {
        if (args[i] == "--read-only")
            readOnly = true;
        else if (args[i] == "--max" && i + 1 < args.size())
            maxUses = parseCount(args[++i]);
        else if (args[i] == "--comment" && i + 1 < args.size())
            comment = args[++i];
        else
            throw qvxutil::UsageError{"unknown option or missing value: " + args[i]};
    }
    if (unsigned status =
            WindowUtil::createNetworkShare(args[1], args[2], SHARE_TYPE_DISK, comment, maxUses, readOnly, ""))
        return refused(status);
    std::cout << "shared " << args[1] << " as " << args[2] << '\n';
    return 0;
}

const qvxutil::Command::Registration registration{
    {"share", "share add PATH NAME [--read-only] [--max N] [--comment TEXT] | share path NAME",
     "share a directory on Samba, or show a share's directory", &runShare}};

}  // namespace
