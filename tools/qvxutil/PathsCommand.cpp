// qvxutil paths: the installation layout this environment gives.
#include <iostream>

#include "AutoUiConfigReader.h"
#include "Command.h"
#include "FileName.h"

namespace {

int runPaths(const qvxutil::Args& args)
{
    if (!args.empty())
        throw qvxutil::UsageError{"paths takes no arguments"};
    const FileName f;
    const struct
    {
        const char* label;
        std::string value;
    } rows[] = {
        {"root", f.getRelRootDir()},
        {"bin", f.getBinDir()},
        {"log", f.getLogDir()},
        {"calib", f.getCalibDir()},
        {"config", f.getConfigDir()},
        {"drivers", f.getDriversDir()},
        {"hardware config", f.getHardwareConfigFullPath()},
        {"editor config", f.getConfigDir() + "\\" + AutoUiConfigReader::CONFIG_FILE_NAME},
        {"temp", f.getTempDir()},
    };
    for (const auto& row : rows)
    {
        std::string label = std::string(row.label) + ":";
        label.resize(17, ' ');
        std::cout << label << row.value << '\n';
    }
    return 0;
}

const qvxutil::Command::Registration registration{
    {"paths", "paths", "show the installation layout (root, bin, log, ..., temp)", &runPaths}};

}  // namespace
