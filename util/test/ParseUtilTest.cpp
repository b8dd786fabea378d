#include <gtest/gtest.h>

#include "ParseUtil.h"

namespace {
using Tokens = std::vector<std::string>;

// Every token a loop over hasMoreTokens() hands out; bounded, so that a loop
// that would not end fails instead of hanging.
Tokens drain(ParseUtil& parser, bool quoted = false)
{
    Tokens tokens;
    for (int guard = 0; parser.hasMoreTokens() && guard < 100; ++guard)
        tokens.push_back(quoted ? parser.getNextQuoteDelimitedToken() : parser.getNextToken());
    return tokens;
}
}  // namespace

TEST(ParseUtilTest, PlainAndQuoteDelimitedTokens)
{
    const struct { const char* line; const char* delimiters; bool quoted; Tokens tokens; } cases[] = {
        {"  alpha omega", nullptr, false, {"alpha", "omega"}},
        {"a,,b;c", ",;", false, {"a", "b", "c"}},
        {"x\ty\nz\rw\fv u", nullptr, false, {"x", "y", "z", "w", "v", "u"}},
        {"a,b,,", ",", false, {"a", "b"}},  // the loop ends after the last token
        {" \t ", nullptr, false, {""}},
        {"x \"first\" y \"\"", nullptr, true, {"first", ""}},
        {"\"one\" \"two", nullptr, true, {"one", ""}},  // fewer than two quotes left: "" and the end
        {"no quotes", nullptr, true, {""}},
    };
    for (const auto& c : cases)
    {
        ParseUtil parser = c.delimiters ? ParseUtil(c.line, c.delimiters) : ParseUtil(c.line);
        EXPECT_EQ(c.tokens, drain(parser, c.quoted)) << c.line;
        EXPECT_EQ("", parser.getNextToken()) << c.line;
    }
    ParseUtil empty;
    EXPECT_FALSE(empty.hasMoreTokens());
    ParseUtil parser("a,b", ",");  // setLine restarts and keeps the delimiters
    parser.setLine("r s,t");
    EXPECT_EQ((Tokens{"r s", "t"}), drain(parser));
    ParseUtil mixed("\"a b\" c d");  // quoted and plain tokens share one position
    EXPECT_EQ("a b", mixed.getNextQuoteDelimitedToken());
    EXPECT_EQ("c", mixed.getNextToken());
}
