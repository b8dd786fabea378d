// The tokenizer on arbitrary lines and delimiter sets: every loop over
// hasMoreTokens() ends, plain tokens are never empty and hold no delimiter,
// and split agrees with the tokens.
#include <cstdint>
#include <list>
#include <string>

#include "ParseUtil.h"
#include "StringUtil.h"
#include "kbrAssert.h"

namespace {
void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    enableAssertNopMode();
    const std::string input(reinterpret_cast<const char*>(data), size);
    // "delimiters|line|choices": the choices pick plain or quoted tokens.
    const std::size_t bar = input.find('|');
    const std::string delimiters = bar == std::string::npos ? std::string(" \t") : input.substr(0, bar);
    const std::string line = bar == std::string::npos ? input : input.substr(bar + 1);

    std::list<std::string> tokens;
    ParseUtil plain(line, delimiters);
    std::size_t steps = 0;
    while (plain.hasMoreTokens())
    {
        require(++steps <= line.size() + 1);
        const std::string token = plain.getNextToken();
        require(token.find_first_of(delimiters) == std::string::npos);
        if (!token.empty())
            tokens.push_back(token);
        else
            require(!plain.hasMoreTokens());
    }
    require(StringUtil::split(line, delimiters) == tokens);

    ParseUtil mixed(line, delimiters);
    steps = 0;
    for (std::size_t i = 0; mixed.hasMoreTokens(); ++i)
    {
        require(++steps <= line.size() + 1);
        const bool quoted = i < size && (data[i] & 1);
        const std::string token = quoted ? mixed.getNextQuoteDelimitedToken() : mixed.getNextToken();
        require(token.size() <= line.size());
        if (quoted)
            require(token.find('"') == std::string::npos);
    }
    return 0;
}
