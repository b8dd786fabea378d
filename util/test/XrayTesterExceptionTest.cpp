// The keyed exception base and the message-only Exception: parameter access,
// printed form, and copies that outlive their sources.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <list>
#include <memory>
#include <sstream>
#include <string>

#include "AssertException.h"
#include "CannotCopyFileDatastoreException.h"
#include "Exception.h"
#include "FailedCheck.h"
#include "MemoryAllocationException.h"
#include "UnexpectedEolDatastoreException.h"

namespace {

// Opens the protected constructors of the base.
struct Keyed : XrayTesterException
{
    template <class... Args>
    explicit Keyed(const Args&... args) : XrayTesterException(args...)
    {
    }
};

std::string printed(const XrayTesterException& e)
{
    std::ostringstream os;
    os << e << '|';  // the operator hands the stream back
    return os.str();
}

}  // namespace

TEST(XrayTesterExceptionTest, ConstructorsKeepParametersInOrderAndPrintThem)
{
    const std::string k = "K", m = "M";
    const struct
    {
        std::function<std::unique_ptr<Keyed>()> make;
        std::list<std::string> parameters;
        std::string printed;
    } rows[] = {
        {[&] { return std::make_unique<Keyed>(m, k); }, {}, "K['M']|"},
        {[&] { return std::make_unique<Keyed>(m, k, std::string("a")); }, {"a"}, "K['M', a]|"},
        {[&] { return std::make_unique<Keyed>(m, k, std::string("a"), std::string()); },
         {"a", ""}, "K['M', a, ]|"},
        {[&] { return std::make_unique<Keyed>(m, k, std::string(), std::string("b"), std::string("c")); },
         {"", "b", "c"}, "K['M', , b, c]|"},
        {[&] { return std::make_unique<Keyed>(m, k, std::string("a"), std::string("a"),
                                              std::string("'q'"), std::string("d e")); },
         {"a", "a", "'q'", "d e"}, "K['M', a, a, 'q', d e]|"},
        {[&] { return std::make_unique<Keyed>(std::string(), std::string(),
                                              std::list<std::string>{"x", "y", "z", "w", "v"}); },
         {"x", "y", "z", "w", "v"}, "['', x, y, z, w, v]|"},
    };
    for (const auto& r : rows)
    {
        const std::unique_ptr<Keyed> e = r.make();
        EXPECT_EQ(r.parameters, e->getParameters());
        EXPECT_EQ(r.parameters.size(), e->getParameterCount());
        EXPECT_EQ(r.printed, printed(*e));
        unsigned int i = 0;
        for (const std::string& p : r.parameters)
            EXPECT_EQ(p, e->getParameter(i++));
    }
    // The assertion exception prints the same way.
    qvxtest::NopMode nop;  // no check of the routine may interfere
    EXPECT_EQ("ASSERT_EXCEPTION_KEY['Internal error - An assert condition 'x' failed at line "
              "number 9 in file 'f.cpp'.', x, f.cpp, 9]|",
              printed(AssertException("x", "f.cpp", 9)));
}

TEST(XrayTesterExceptionTest, ParameterIndexOutOfRange)
{
    const Keyed e(std::string("M"), std::string("K"), std::string("a"), std::string("b"),
                  std::string("c"));
    EXPECT_EQ("c", e.getParameter(2));
    const std::string where = "index < _parameters.size() @ util/src/XrayTesterException.cpp";
    EXPECT_EQ(where, qvxtest::failedCheckWhere([&] { e.getParameter(3); }));
    EXPECT_EQ(where, qvxtest::failedCheckWhere([&] { e.getParameter(UINT_MAX); }));
    const Keyed none(std::string("M"), std::string("K"));
    EXPECT_EQ(where, qvxtest::failedCheckWhere([&] { none.getParameter(0); }));

    // Nop mode: the check returns and nothing past the list is read.
    qvxtest::NopMode nop;
    EXPECT_EQ("", e.getParameter(3));
    EXPECT_EQ("", e.getParameter(UINT_MAX));
    EXPECT_EQ("", none.getParameter(0));
}

namespace {
template <class E>
void expectCopyOutlivesSource(E* source)
{
    const E copy(*source);
    const std::string key = source->getKey(), message = source->getMessage();
    const std::list<std::string> parameters = source->getParameters();
    delete source;
    EXPECT_EQ(key, copy.getKey());
    EXPECT_EQ(message, copy.getMessage());
    EXPECT_EQ(parameters, copy.getParameters());
}
}  // namespace

TEST(XrayTesterExceptionTest, CopiesOutliveTheirSources)
{
    // Long values defeat the short-string buffer, so a shallow copy would show
    // (as a use after free under AddressSanitizer).
    const std::string a(200, 'p'), b(150, 'q');
    expectCopyOutlivesSource(new AssertException(a, b, a, 12));
    expectCopyOutlivesSource(new CannotCopyFileDatastoreException(a, b));
    expectCopyOutlivesSource(new UnexpectedEolDatastoreException(a, 3, b, a));
    expectCopyOutlivesSource(new MemoryAllocationException(a, 1));
    expectCopyOutlivesSource(new Keyed(a, b, std::list<std::string>{a, b, a}));

    auto* source = new Exception(a);
    const Exception copy(*source);
    delete source;
    EXPECT_EQ(a, copy.getMessage());
}

TEST(XrayTesterExceptionTest, CheckStringNotEmptyReturnsTheSameString)
{
    struct Probe : Keyed
    {
        using XrayTesterException::checkStringNotEmpty;
    };
    const std::string s = "value";
    EXPECT_EQ(&s, &Probe::checkStringNotEmpty(s));
    EXPECT_EQ("! s.empty() @ util/src/XrayTesterException.cpp",
              qvxtest::failedCheckWhere([] { Probe::checkStringNotEmpty(std::string()); }));
}
