// Datastore and hardware exceptions: keys, messages, parameters, printed form,
// and which check fires first for a missing value.
#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <sstream>
#include <string>

#include "CannotCopyFileDatastoreException.h"
#include "CannotCreateFileDatastoreException.h"
#include "CannotDeleteFileDatastoreException.h"
#include "CannotLaunchProgramFromPathDatastoreException.h"
#include "CannotOpenFileDatastoreException.h"
#include "CommunicationHardwareException.h"
#include "FailedCheck.h"
#include "FileNotFoundDatastoreException.h"
#include "IPPLibException.h"
#include "InterruptException.h"
#include "InvalidFileDatastoreException.h"
#include "MemoryAllocationException.h"
#include "UnexpectedEolDatastoreException.h"

namespace {
const std::string P = "D:\\data\\a.txt", Q = "E:\\backup\\a.txt";
}

TEST(ExceptionFamilyTest, KeysMessagesParametersAndPrintedForm)
{
    const struct
    {
        std::function<void()> raise;
        std::string printed;  // KEY['message', parameters...]
        std::list<std::string> parameters;
    } rows[] = {
        {[] { throw CannotCopyFileDatastoreException(P, Q); },
         "DS_CANNOT_COPY_FILE_ERROR_KEY['The file '" + P + "' could not be copied to '" + Q +
             "'.  Please make sure these files are not in use and the disk is not write-protected.', " +
             P + ", " + Q + "]",
         {P, Q}},
        {[] { throw CannotCreateFileDatastoreException(P); },
         "DS_CANNOT_CREATE_FILE_ERROR_KEY['The file '" + P +
             "' could not be created.  Please make sure the disk is not write-protected.', " + P + "]",
         {P}},
        {[] { throw CannotDeleteFileDatastoreException(P); },
         "DS_CANNOT_DELETE_FILE_ERROR_KEY['The file '" + P +
             "' could not be deleted.  Please make sure the file is not in use and that the disk is "
             "not write-protected.', " + P + "]",
         {P}},
        {[] { throw CannotLaunchProgramFromPathDatastoreException("wordpad.exe"); },
         "DS_CANNOT_LAUNCH_PROGRAM_ERROR_KEY['A problem occured while attempting to run the program "
         "'wordpad.exe'.  Please confirm that the program exists on the path.', wordpad.exe]",
         {"wordpad.exe"}},
        {[] { throw CannotOpenFileDatastoreException(P); },
         "DS_CANNOT_OPEN_FILE_ERROR_KEY['The file '" + P +
             "' could not be opened.  Check that the file is not in use and try again.', " + P + "]",
         {P}},
        {[] { throw FileNotFoundDatastoreException(P); },
         "DS_CANNOT_FIND_FILE_ERROR_KEY['The file '" + P + "' was not found.', " + P + "]", {P}},
        {[] { throw FileNotFoundDatastoreException("", P); },
         "DS_CANNOT_FIND_FILE_ERROR_KEY['', " + P + "]", {P}},
        {[] { throw InvalidFileDatastoreException(" bad\theader ", P); },
         "DS_INVALID_FILE_ERROR_KEY[' bad\theader ', " + P + "]", {P}},
        {[] { throw UnexpectedEolDatastoreException(P, 7, "@key value", "value"); },
         "DS_UNEXPECTED_EOL_ERROR_KEY['Line 7 in the file '" + P +
             "' expected the following syntax: \n@key value\nThe value field was missing.', " + P +
             ", 7, @key value, value]",
         {P, "7", "@key value", "value"}},
        {[] { throw UnexpectedEolDatastoreException(P, -12, "s", "m"); },
         "DS_UNEXPECTED_EOL_ERROR_KEY['Line -12 in the file '" + P +
             "' expected the following syntax: \ns\nThe m field was missing.', " + P + ", -12, s, m]",
         {P, "-12", "s", "m"}},
        {[] { throw CommunicationHardwareException("no reply", "HW_USB_TIMEOUT_KEY", ""); },
         "HW_USB_TIMEOUT_KEY['no reply', ]", {""}},
        {[] { throw IPPLibException("-8"); },
         "IPP_LIB_ERROR_KEY['Error in IPP library with error code: -8.', -8]", {"-8"}},
        {[] { throw MemoryAllocationException("util/src/Image.cpp", 4294967295u); },
         "CPP_MEMORY_ALLOCATION_ERROR_KEY['Error: Failed to allocated sufficient memory.', "
         "util/src/Image.cpp, 4294967295]",
         {"util/src/Image.cpp", "4294967295"}},
        {[] { throw InterruptException("stopped by operator"); },
         "INTERRUPT_KEY['stopped by operator']", {}},
    };
    for (const auto& row : rows)
    {
        try
        {
            row.raise();
            ADD_FAILURE() << "nothing thrown";
        }
        catch (const XrayTesterException& e)
        {
            std::ostringstream os;
            os << e;
            EXPECT_EQ(row.printed, os.str());
            EXPECT_EQ(row.parameters, e.getParameters());
            // Every datastore exception names its file first.
            if (const auto* ds = dynamic_cast<const DatastoreException*>(&e))
            {
                EXPECT_EQ(row.parameters.front(), ds->getFileNameWithFullPath());
            }
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
