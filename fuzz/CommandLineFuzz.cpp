// Command lines on arbitrary bytes: splitting always ends, and every argument
// vector whose first word holds no quotation mark survives being joined into
// one line and split again, both for vectors that splitting made and for
// vectors made directly from the input (pieces separated by NUL bytes).
#include <cstdint>
#include <string>
#include <vector>

#include "Process.h"

namespace {
void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void requireRoundTrip(const std::vector<std::string>& words)
{
    if (words.empty() || words[0].find('"') != std::string::npos)
        return;
    require(qvx::platform::splitCommandLine(qvx::platform::joinCommandLine(words)) == words);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    requireRoundTrip(qvx::platform::splitCommandLine(input));

    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t nul = input.find('\0', start);
        pieces.push_back(input.substr(start, nul == std::string::npos ? std::string::npos : nul - start));
        if (nul == std::string::npos)
            break;
        start = nul + 1;
    }
    requireRoundTrip(pieces);
    return 0;
}
