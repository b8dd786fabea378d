// The registry file reader on arbitrary bytes: it never reads past the input,
// a refused file leaves no entries and names its line, and what it reads the
// writer writes back to the same entries (8-bit form always; the UTF-16 form
// for UTF-16 input, whose text is always valid UTF-8).
#include <cstdint>
#include <string>

#include "RegistryFile.h"

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

using namespace qvx::platform;

void roundTrip(const RegistryFileContents& contents, RegistryFileVersion version)
{
    RegistryFileContents copy = contents;
    copy.version = version;
    const std::string bytes = formatRegistryFile(copy);
    RegistryFileContents again;
    std::size_t line = 0;
    std::string why;
    require(parseRegistryFile(bytes.data(), bytes.size(), again, line, why));
    require(again.version == version);
    require(again.entries.size() == contents.entries.size());
    for (std::size_t i = 0; i < again.entries.size(); ++i)
    {
        const RegistryEntry &a = contents.entries[i], &b = again.entries[i];
        require(a.operation == b.operation && a.key == b.key && a.name == b.name && a.type == b.type &&
                a.data == b.data);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size copy, so that a read past the input is caught.
    const std::string input(reinterpret_cast<const char*>(data), size);
    RegistryFileContents contents;
    std::size_t line = 0;
    std::string why;
    if (!parseRegistryFile(input.data(), input.size(), contents, line, why))
    {
        require(contents.entries.empty() && line >= 1 && !why.empty());
        return 0;
    }
    roundTrip(contents, RegistryFileVersion::Regedit4);
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE)
        roundTrip(contents, RegistryFileVersion::Version5);
    return 0;
}
