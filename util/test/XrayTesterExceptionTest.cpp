// The keyed exception base and the message-only Exception: parameter access,
// printed form, and copies that outlive their sources.
#include <gtest/gtest.h>

#include <climits>
#include <list>
#include <sstream>
#include <string>

#include "AssertException.h"
#include "CannotCopyFileDatastoreException.h"
#include "Exception.h"
#include "FailedCheck.h"
#include "UnexpectedEolDatastoreException.h"

namespace {

struct Keyed : XrayTesterException  // opens the protected constructors
{
    template <class... Args>
    explicit Keyed(const Args&... args) : XrayTesterException(std::string(args)...)
    {
    }
    Keyed(const std::string& m, const std::string& k, const std::list<std::string>& p)
        : XrayTesterException(m, k, p)
    {
    }
};

std::string printed(const XrayTesterException& e)
{
    std::ostringstream os;
    os << e << '|';  // the operator hands the stream back
    return os.str();
}

template <class E>
void expectCopyOutlivesSource(E* source)
{
    const E copy(*source);
    const std::string text = printed(*source);
    delete source;
    EXPECT_EQ(text, printed(copy));
}

}  // namespace

TEST(XrayTesterExceptionTest, EveryConstructorFormKeepsOrderAndPrints)
{
    EXPECT_EQ("K['M']|", printed(Keyed("M", "K")));
    EXPECT_EQ(0u, Keyed("M", "K").getParameterCount());
    EXPECT_EQ("K['M', a]|", printed(Keyed("M", "K", "a")));
    EXPECT_EQ("K['M', a, ]|", printed(Keyed("M", "K", "a", "")));  // empty allowed by the base
    EXPECT_EQ("K['M', , b, c]|", printed(Keyed("M", "K", "", "b", "c")));
    const Keyed four("M", "K", "a", "a", "'q'", "d e");
    EXPECT_EQ("K['M', a, a, 'q', d e]|", printed(four));
    EXPECT_EQ("'q'", four.getParameter(2));
    EXPECT_EQ("d e", four.getParameter(3));
    EXPECT_EQ("['', x, y, z, w, v]|", printed(Keyed("", "", {"x", "y", "z", "w", "v"})));
    qvxtest::NopMode nop;
    EXPECT_EQ("ASSERT_EXCEPTION_KEY['Internal error - An assert condition 'x' failed at line "
              "number 9 in file 'f.cpp'.', x, f.cpp, 9]|",
              printed(AssertException("x", "f.cpp", 9)));
}

TEST(XrayTesterExceptionTest, ParameterIndexOutOfRange)
{
    const Keyed three("M", "K", "a", "b", "c"), none("M", "K");
    const std::string where = "index < _parameters.size() @ util/src/XrayTesterException.cpp";
    EXPECT_EQ(where, qvxtest::failedCheckWhere([&] { three.getParameter(3); }));
    EXPECT_EQ(where, qvxtest::failedCheckWhere([&] { three.getParameter(UINT_MAX); }));
    EXPECT_EQ(where, qvxtest::failedCheckWhere([&] { none.getParameter(0); }));
    // Nop mode: the check returns, "" comes back, nothing past the list is read.
    qvxtest::NopMode nop;
    EXPECT_EQ("", three.getParameter(3));
    EXPECT_EQ("", three.getParameter(UINT_MAX));
    EXPECT_EQ("", none.getParameter(0));
}

TEST(XrayTesterExceptionTest, CopiesOutliveTheirSources)
{
    // Long values defeat the short-string buffer: a shallow copy would be a use
    // after free under AddressSanitizer.
    const std::string a(200, 'p'), b(150, 'q');
    expectCopyOutlivesSource(new AssertException(a, b, a, 12));
    expectCopyOutlivesSource(new CannotCopyFileDatastoreException(a, b));
    expectCopyOutlivesSource(new UnexpectedEolDatastoreException(a, 3, b, a));
    expectCopyOutlivesSource(new Keyed(a, b, {a, b, a}));
    auto* source = new Exception(a);
    const Exception copy(*source);
    delete source;
    EXPECT_EQ(a, copy.getMessage());
}
