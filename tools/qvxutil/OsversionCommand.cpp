// qvxutil osversion: how the library classifies this operating system, and
// the host's own name and release.
#include <iostream>

#include "AssertException.h"
#include "Command.h"
#include "OSVersionUtil.h"
#include "OsVersionSource.h"
#include "kbrAssert.h"

namespace {

const char* const NAMES[] = {"windows2000", "windowsXP", "windowsNT4", "windowsNT3_51",
                             "windows95",   "windows98", "windowsMe",  "windows3_1",
                             "unrecognizedOperatingSystem"};

int runOsversion(const qvxutil::Args& args)
{
    if (!args.empty())
        throw qvxutil::UsageError{"osversion takes no arguments"};
    // A host outside the classification fails a check on the first question;
    // the tool shows it instead of ending there, then reads the kept answer.
    enableAssertExceptionMode();
    try
    {
        OSVersionUtil::getOperatingSystemVersion();
    }
    catch (const AssertException& e)
    {
        std::cout << "check:          " << e.getMessage() << '\n';
    }
    disableAssertExceptionMode();
    enableAssertNopMode();
    const OSVersionUtil::OSVersion version = OSVersionUtil::getOperatingSystemVersion();
    disableAssertNopMode();
    std::cout << "classification: " << NAMES[version] << '\n';
    qvx::platform::OsVersionRecord record;
    if (qvx::platform::queryOsVersion(record))
        std::cout << "host:           " << record.systemName << ' ' << record.release << '\n';
    else
        std::cout << "host:           (no version record)\n";
    return 0;
}

const qvxutil::Command::Registration registration{
    {"osversion", "osversion", "the Windows version classification and the host's name and release",
     &runOsversion}};

}  // namespace
