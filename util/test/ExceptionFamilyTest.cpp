// The keyed exception base, the message-only Exception, and the datastore and
// hardware families: keys, messages, parameters, printed form, and which check
// fires first for a missing value.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <list>
#include <memory>
#include <sstream>
#include <string>

#include "AssertException.h"
#include "CannotCopyFileDatastoreException.h"
#include "CannotCreateFileDatastoreException.h"
#include "CannotDeleteFileDatastoreException.h"
#include "CannotLaunchProgramFromPathDatastoreException.h"
#include "CannotOpenFileDatastoreException.h"
#include "CommunicationHardwareException.h"
#include "Exception.h"
#include "FailedCheck.h"
#include "FileNotFoundDatastoreException.h"
#include "IPPLibException.h"
#include "InterruptException.h"
#include "InvalidFileDatastoreException.h"
#include "MemoryAllocationException.h"
#include "UnexpectedEolDatastoreException.h"

namespace {

const std::string P = "D:\\data\\a.txt", Q = "E:\\backup\\a.txt";

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
    EXPECT_EQ("m", Exception("m").getMessage());
    qvxtest::NopMode nop;
    EXPECT_EQ("ASSERT_EXCEPTION_KEY['Internal error - An assert condition 'x' failed at line "
              "number 9 in file 'f.cpp'.', x, f.cpp, 9]|",
              printed(AssertException("x", "f.cpp", 9)));
}

TEST(XrayTesterExceptionTest, ParameterIndexOutOfRange)
{
    const Keyed three("M", "K", "a", "b", "c"), none("M", "K");
    const std::pair<const Keyed*, unsigned int> cases[] = {{&three, 3}, {&three, UINT_MAX}, {&none, 0}};
    for (const auto& [e, index] : cases)
    {
        EXPECT_EQ("index < _parameters.size() @ util/src/XrayTesterException.cpp",
                  qvxtest::failedCheckWhere([&] { e->getParameter(index); }));
        qvxtest::NopMode nop;  // the check returns; "" comes back, nothing past the list is read
        EXPECT_EQ("", e->getParameter(index));
    }
}

TEST(ExceptionFamilyTest, KeysMessagesAndParametersInPrintedForm)
{
    const struct
    {
        std::shared_ptr<const XrayTesterException> e;
        std::string printed;  // KEY['message', parameters...]
    } rows[] = {
        {std::make_shared<CannotCopyFileDatastoreException>(P, Q),
         "DS_CANNOT_COPY_FILE_ERROR_KEY['The file '" + P + "' could not be copied to '" + Q +
             "'.  Please make sure these files are not in use and the disk is not write-protected.', " +
             P + ", " + Q + "]"},
        {std::make_shared<CannotCreateFileDatastoreException>(P),
         "DS_CANNOT_CREATE_FILE_ERROR_KEY['The file '" + P +
             "' could not be created.  Please make sure the disk is not write-protected.', " + P + "]"},
        {std::make_shared<CannotDeleteFileDatastoreException>(P),
         "DS_CANNOT_DELETE_FILE_ERROR_KEY['The file '" + P +
             "' could not be deleted.  Please make sure the file is not in use and that the disk is "
             "not write-protected.', " + P + "]"},
        {std::make_shared<CannotLaunchProgramFromPathDatastoreException>("wordpad.exe"),
         "DS_CANNOT_LAUNCH_PROGRAM_ERROR_KEY['A problem occured while attempting to run the program "
         "'wordpad.exe'.  Please confirm that the program exists on the path.', wordpad.exe]"},
        {std::make_shared<CannotOpenFileDatastoreException>(P),
         "DS_CANNOT_OPEN_FILE_ERROR_KEY['The file '" + P +
             "' could not be opened.  Check that the file is not in use and try again.', " + P + "]"},
        {std::make_shared<FileNotFoundDatastoreException>(P),
         "DS_CANNOT_FIND_FILE_ERROR_KEY['The file '" + P + "' was not found.', " + P + "]"},
        {std::make_shared<FileNotFoundDatastoreException>("", P),
         "DS_CANNOT_FIND_FILE_ERROR_KEY['', " + P + "]"},
        {std::make_shared<InvalidFileDatastoreException>(" bad\theader ", P),
         "DS_INVALID_FILE_ERROR_KEY[' bad\theader ', " + P + "]"},
        {std::make_shared<UnexpectedEolDatastoreException>(P, 7, "@key value", "value"),
         "DS_UNEXPECTED_EOL_ERROR_KEY['Line 7 in the file '" + P +
             "' expected the following syntax: \n@key value\nThe value field was missing.', " + P +
             ", 7, @key value, value]"},
        {std::make_shared<UnexpectedEolDatastoreException>(P, -12, "s", "m"),
         "DS_UNEXPECTED_EOL_ERROR_KEY['Line -12 in the file '" + P +
             "' expected the following syntax: \ns\nThe m field was missing.', " + P + ", -12, s, m]"},
        {std::make_shared<CommunicationHardwareException>("no reply", "HW_USB_TIMEOUT_KEY", ""),
         "HW_USB_TIMEOUT_KEY['no reply', ]"},
        {std::make_shared<IPPLibException>("-8"),
         "IPP_LIB_ERROR_KEY['Error in IPP library with error code: -8.', -8]"},
        {std::make_shared<MemoryAllocationException>("util/src/Image.cpp", 4294967295u),
         "CPP_MEMORY_ALLOCATION_ERROR_KEY['Error: Failed to allocated sufficient memory.', "
         "util/src/Image.cpp, 4294967295]"},
        {std::make_shared<InterruptException>("stopped by operator"),
         "INTERRUPT_KEY['stopped by operator']"},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.printed + "|", printed(*row.e));
        if (const auto* ds = dynamic_cast<const DatastoreException*>(row.e.get()))  // the file comes first
        {
            EXPECT_EQ(row.e->getParameter(0), ds->getFileNameWithFullPath());
        }
    }
    const CannotCopyFileDatastoreException copy(P, Q);
    EXPECT_EQ(P, copy.getFromFileNameWithFullPath());
    EXPECT_EQ(Q, copy.getToFileNameWithFullPath());
}

namespace {
struct AddressProbe : HardwareException  // reaches the protected formatter
{
    using HardwareException::fmtIPAddressPort;
};
}  // namespace

TEST(ExceptionFamilyTest, MissingValuesFailTheFirstCheckInOrder)
{
    const std::string xte = " @ util/src/XrayTesterException.cpp";
    const std::string cc = " @ util/src/CannotCopyFileDatastoreException.cpp";
    const std::string eol = " @ util/src/UnexpectedEolDatastoreException.cpp";
    const struct
    {
        std::function<void()> build;
        std::string firstFailure;  // "" when nothing may fail
    } cases[] = {
        {[] { CannotCopyFileDatastoreException("", ""); }, "! fromPath.empty()" + cc},
        {[] { CannotCopyFileDatastoreException(P, ""); }, "! toPath.empty()" + cc},
        {[] { CannotCreateFileDatastoreException(""); },
         "! filePath.empty() @ util/src/CannotCreateFileDatastoreException.cpp"},
        {[] { CannotDeleteFileDatastoreException(""); },
         "! filePath.empty() @ util/src/CannotDeleteFileDatastoreException.cpp"},
        {[] { CannotOpenFileDatastoreException(""); },
         "! filePath.empty() @ util/src/CannotOpenFileDatastoreException.cpp"},
        {[] { FileNotFoundDatastoreException(""); },
         "! filePath.empty() @ util/src/FileNotFoundDatastoreException.cpp"},
        {[] { CannotLaunchProgramFromPathDatastoreException(""); },
         "! programName.empty() @ util/src/CannotLaunchProgramFromPathDatastoreException.cpp"},
        {[] { FileNotFoundDatastoreException("m", ""); }, "! s.empty()" + xte},
        {[] { InvalidFileDatastoreException("m", ""); }, "! s.empty()" + xte},
        {[] { InvalidFileDatastoreException("", P); }, ""},
        {[] { UnexpectedEolDatastoreException("", 1, "", ""); }, "! filePath.empty()" + eol},
        {[] { UnexpectedEolDatastoreException(P, 1, "", ""); }, "! expectedSyntax.empty()" + eol},
        {[] { UnexpectedEolDatastoreException(P, 1, "s", ""); }, "! missingItem.empty()" + eol},
        {[] { IPPLibException(""); }, "! errorCode.empty() @ util/src/IPPLibException.cpp"},
        {[] { MemoryAllocationException("", 1); }, "! s.empty()" + xte},
        {[] { CommunicationHardwareException("", "", ""); }, ""},
        {[] { InterruptException(""); }, ""},
        {[] { AddressProbe::fmtIPAddressPort("", 1); },
         "! iPAddress.empty() @ util/src/HardwareException.cpp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.firstFailure, qvxtest::failedCheckWhere(c.build));
    EXPECT_EQ("192.168.0.5:3000", AddressProbe::fmtIPAddressPort("192.168.0.5", 3000));
    EXPECT_EQ("h:65535", AddressProbe::fmtIPAddressPort("h", 65535));
}
