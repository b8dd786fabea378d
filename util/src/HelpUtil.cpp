#include "HelpUtil.h"

#include <vector>

#include "Environment.h"
#include "Process.h"

namespace {
const std::size_t RELEASE_ROOT_LIMIT = 260;  // characters, terminator included
}

bool HelpUtil::openHTMLDoc(std::string doc)
{
    std::string releaseRoot;
    if (!qvx::platform::getEnvironmentVariable("RELROOT", releaseRoot) || releaseRoot.empty() ||
        releaseRoot.size() >= RELEASE_ROOT_LIMIT)
        return false;
    const std::string interpreter = releaseRoot + "\\bin\\perl";
    std::vector<std::string> arguments{interpreter, "bin\\open_html_help.pl"};
    if (!doc.empty())
        arguments.push_back(doc);
    return qvx::platform::startProcess(interpreter, arguments, releaseRoot,
                                       qvx::platform::ProcessCollection::Library, nullptr) == 0;
}

HelpUtil& HelpUtil::operator=(const HelpUtil&)
{
    return *this;
}
