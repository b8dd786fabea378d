// ICMP.DLL's echo service (IcmpCreateFile, IcmpSendEcho; in iphlpapi.dll on
// current Windows) behind the ICMP echo facility.
#include "IcmpEcho.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>

#include <cstring>
#include <new>
#include <vector>

namespace qvx {
namespace platform {

static_assert(ICMP_ECHO_TIMED_OUT == IP_REQ_TIMED_OUT && ICMP_ECHO_PACKET_TOO_BIG == IP_PACKET_TOO_BIG &&
                  ICMP_ECHO_NO_RESOURCES == IP_NO_RESOURCES,
              "echo service codes");
static_assert(ICMP_ECHO_FLAG_DONT_FRAGMENT == IP_FLAG_DF, "don't fragment");

IcmpEchoHandle icmpEchoOpen(int& error)
{
    const HANDLE service = ::IcmpCreateFile();
    if (service == INVALID_HANDLE_VALUE)
    {
        error = static_cast<int>(::GetLastError());
        return INVALID_ICMP_ECHO_HANDLE;
    }
    return reinterpret_cast<IcmpEchoHandle>(service);
}

void icmpEchoClose(IcmpEchoHandle handle)
{
    if (handle != INVALID_ICMP_ECHO_HANDLE)
        ::IcmpCloseHandle(reinterpret_cast<HANDLE>(handle));
}

// The system's service sends for the caller; no socket of the caller's is
// involved, datagram or raw.
bool icmpEchoIsDatagram(IcmpEchoHandle)
{
    return false;
}

int icmpEchoSend(IcmpEchoHandle handle, const in_addr& destination, const void* request, std::uint16_t requestSize,
                 const IcmpEchoOptions& options, void* reply, std::uint32_t replySize,
                 std::uint32_t timeoutMilliseconds)
{
    if (handle == INVALID_ICMP_ECHO_HANDLE)
        return ERROR_INVALID_HANDLE;
    // The service needs room for its reply record, the echoed data and an
    // ICMP error's 8 bytes, whatever the caller's buffer holds.
    std::vector<unsigned char> answer;
    try
    {
        answer.resize(sizeof(ICMP_ECHO_REPLY) + requestSize + 8 + 16);  // 16: the service's own status
    }
    catch (const std::bad_alloc&)
    {
        return ICMP_ECHO_NO_RESOURCES;
    }
    IP_OPTION_INFORMATION ip{};
    ip.Ttl = options.ttl;
    ip.Tos = options.tos;
    ip.Flags = options.flags;
    const DWORD replies = ::IcmpSendEcho(reinterpret_cast<HANDLE>(handle), destination.s_addr,
                                         const_cast<void*>(request), requestSize, &ip, answer.data(),
                                         static_cast<DWORD>(answer.size()), timeoutMilliseconds);
    if (replies == 0)
        return static_cast<int>(::GetLastError());
    const ICMP_ECHO_REPLY& record = *reinterpret_cast<const ICMP_ECHO_REPLY*>(answer.data());
    if (record.Status != IP_SUCCESS)
        return static_cast<int>(record.Status);
    // The service hands back the echoed data only: the ICMP message is
    // rebuilt as an echo reply header (type 0, code 0; identifier, sequence
    // number and checksum, which the service keeps to itself, as 0) and the data.
    unsigned char* out = static_cast<unsigned char*>(reply);
    if (out != nullptr && replySize > 0)
    {
        unsigned char header[8] = {};
        const std::uint32_t headerBytes = replySize < 8 ? replySize : 8;
        std::memcpy(out, header, headerBytes);
        std::uint32_t dataBytes = record.DataSize;
        if (dataBytes > replySize - headerBytes)
            dataBytes = replySize - headerBytes;
        if (dataBytes > 0 && record.Data != nullptr)
            std::memcpy(out + headerBytes, record.Data, dataBytes);
    }
    return 0;
}

}  // namespace platform
}  // namespace qvx
