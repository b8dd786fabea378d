#include "Ping.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "IcmpEcho.h"
#include "Process.h"
#include "RawIp.h"
#include "Socket.h"
#include "kbrAssert.h"

namespace platform = qvx::platform;

static_assert(sizeof(Ping::ip_hdr) == 20, "IPv4 header without options");
static_assert(sizeof(Ping::icmp_header) == 8, "ICMP echo header");

namespace {

const std::uint16_t SOCKET_LIBRARY_VERSION = 0x0202;
const int IP_AND_ICMP_HEADER_BYTES = static_cast<int>(sizeof(Ping::ip_hdr) + sizeof(Ping::icmp_header));
const int DATAGRAM_BUFFER_BYTES = 65522;
const int ECHO_TIMEOUT_MILLISECONDS = 3000;
const unsigned int RECEIVE_TIMEOUT_MILLISECONDS = 5000;
const int ECHO_PORT = 7;
const char PAYLOAD_TEXT[] = "TorvaneTechnologiesQVX";

// The process-wide sequence counter: the process id + 1 for the first header,
// then one more for each.
std::uint32_t nextSequence()
{
    static std::atomic<std::uint32_t> counter{static_cast<std::uint32_t>(platform::currentProcessId())};
    return counter.fetch_add(1) + 1;
}

// The system's text for the last error code, without its line break.
std::string lastErrorText()
{
    const int code = platform::socketLastError();
    std::string text;
    if (platform::socketSystemErrorText(code, text))
        return text.substr(0, text.find_last_not_of("\r\n") + 1);
    char unknown[32];
    std::snprintf(unknown, sizeof(unknown), "Unknown error 0x%0lX",
                  static_cast<unsigned long>(static_cast<unsigned int>(code)));
    return unknown;
}

}  // namespace

Ping::Ping(const std::string& remoteHost) : _localHost(), _remoteHost(), _socketHandle(0)
{
    init(remoteHost, nullptr);
}

Ping::Ping(const std::string& remoteHost, const std::string& localHost)
    : _localHost(), _remoteHost(), _socketHandle(0)
{
    init(remoteHost, &localHost);
}

Ping::~Ping()
{
    if (_socketHandle != 0)
        platform::socketClose(_socketHandle);
    platform::socketLibraryCleanup();
    _socketHandle = 0;
}

void Ping::init(const std::string& remoteHost, const std::string* localHost)
{
    // The object's own start-up, released by the destructor (or here, when a
    // failed check throws out of the constructor).
    initWinsock();
    try
    {
        _localHost = hostNameToInet(localHost != nullptr ? *localHost : getLocalHost());
        _remoteHost = hostNameToInet(remoteHost);
        _socketHandle = initSocket();
        KBR_ASSERT(_socketHandle);
    }
    catch (...)
    {
        if (_socketHandle != 0)
            platform::socketClose(_socketHandle);
        _socketHandle = 0;
        platform::socketLibraryCleanup();
        throw;
    }
}

void Ping::initWinsock()
{
    std::uint16_t version = 0;
    const int err = platform::socketLibraryStartup(SOCKET_LIBRARY_VERSION, version);
    KBR_ASSERT(err == 0);
    if (err == 0 && !((version & 0xFF) == 2 && (version >> 8) == 2))
        showKbrAssert("LOBYTE( wsaData.wVersion ) == 2 && HIBYTE( wsaData.wVersion ) == 2", __FILE__,
                      __LINE__);
}

in_addr Ping::hostNameToInet(const std::string& hostName)
{
    initWinsock();
    in_addr address{};
    const bool he = platform::socketLookupIPv4(hostName, address) == 0;
    platform::socketLibraryCleanup();
    if (!he)
        address.s_addr = platform::socketAnyAddress();
    KBR_ASSERT(he);
    return address;
}

platform::SocketHandle Ping::initSocket()
{
    platform::SocketHandle s = platform::socketNonZeroHandle(platform::rawIpCreateSocket());
    if (s == platform::INVALID_SOCKET_HANDLE)
        s = 0;
    KBR_ASSERT(s);
    if (s == 0)
        return 0;
    if (platform::rawIpSetHeaderIncluded(s, true) != 0 ||
        platform::socketSetReceiveTimeout(s, RECEIVE_TIMEOUT_MILLISECONDS) != 0)
    {
        // The text first, then the socket goes, then the check (which may throw).
        const std::string text = lastErrorText();
        platform::socketClose(s);
        showKbrAssertWithMessage("false", text, __FILE__, __LINE__);
        return 0;
    }
    return s;
}

std::string Ping::getLocalHost()
{
    initWinsock();
    const std::string name = platform::socketHostName(256);
    platform::socketLibraryCleanup();
    return name;
}

std::string Ping::getLocalHostIp() const
{
    return platform::socketDottedAddress(_localHost);
}

std::string Ping::getRemoteHostIp() const
{
    return platform::socketDottedAddress(_remoteHost);
}

int Ping::ping(int datagramSize, bool allowFragmentation) const
{
    KBR_ASSERT(datagramSize < (64 * 1024 ));
    if (datagramSize >= 64 * 1024)
        return platform::ICMP_ECHO_PACKET_TOO_BIG;

    int error = 0;
    const platform::IcmpEchoHandle service = platform::icmpEchoOpen(error);
    if (service == platform::INVALID_ICMP_ECHO_HANDLE)
        return error;

    const int payload = std::max(0, datagramSize - ethernetIIHeaderLengthInBytes - IP_AND_ICMP_HEADER_BYTES);
    std::unique_ptr<unsigned char[]> output(new (std::nothrow) unsigned char[payload]());
    std::unique_ptr<unsigned char[]> input(new (std::nothrow) unsigned char[payload + 28]());
    KBR_ASSERT(output);
    KBR_ASSERT(input);
    int result = platform::ICMP_ECHO_NO_RESOURCES;
    if (output && input)
    {
        platform::IcmpEchoOptions options;
        options.ttl = 30;
        options.tos = 0;
        options.flags = allowFragmentation ? 0 : platform::ICMP_ECHO_FLAG_DONT_FRAGMENT;
        result = platform::icmpEchoSend(service, _remoteHost, output.get(),
                                        static_cast<std::uint16_t>(payload), options, input.get(),
                                        static_cast<std::uint32_t>(payload + 28),
                                        ECHO_TIMEOUT_MILLISECONDS);
    }
    platform::icmpEchoClose(service);
    return result;
}

int Ping::measureMTU() const
{
    if (_socketHandle == 0)
        return -1;
    const sockaddr_in destination = buildSockAddrIn(_remoteHost, ECHO_PORT);
    const sockaddr_in local = buildSockAddrIn(_localHost, 0);
    platform::socketBind(_socketHandle, local);

    std::unique_ptr<char[]> output(new (std::nothrow) char[DATAGRAM_BUFFER_BYTES]());
    KBR_ASSERT(output);
    if (!output)
        return -1;
    char* const buffer = output.get();
    char* const icmp = buffer + sizeof(ip_hdr);

    const int startSize = 128;
    int size = startSize;
    int step = 1024;
    int lastGood = 0;
    for (;;)
    {
        bool tooLong = size + IP_AND_ICMP_HEADER_BYTES > DATAGRAM_BUFFER_BYTES;
        if (!tooLong)
        {
            initializeIPHeader(buffer, size, false);
            initializeICMPHeader(icmp);
            initializePayload(icmp + sizeof(icmp_header), size, PAYLOAD_TEXT);
            const std::uint16_t checksum =
                calculateICMPCheckSum(icmp, size + static_cast<int>(sizeof(icmp_header)));
            std::memcpy(icmp + offsetof(icmp_header, icmp_checksum), &checksum, sizeof(checksum));
            if (platform::rawIpSendTo(_socketHandle, buffer, size + IP_AND_ICMP_HEADER_BYTES,
                                      destination) >= 0)
            {
                if (lastGood == size)
                    return size + IP_AND_ICMP_HEADER_BYTES + ethernetIIHeaderLengthInBytes;
                lastGood = size;
                size += step;
                continue;
            }
            if (platform::socketLastError() != platform::SOCKERR_EMSGSIZE)
                return -1;
            tooLong = true;
        }
        // Refused as too long: this state would come back unchanged forever.
        if (step == 0 && size == startSize && lastGood == startSize)
            return -1;
        size = lastGood;
        step /= 2;
        lastGood = startSize;
    }
}

void Ping::initializeIPHeader(char* buffer, int payloadSize, bool allowFragmentation) const
{
    KBR_ASSERT(buffer);
    if (buffer == nullptr)
        return;
    ip_hdr header{};
    header.ip_verlen = 0x45;
    header.ip_tos = 0;
    header.ip_totallength =
        platform::socketHostToNetwork16(static_cast<std::uint16_t>(payloadSize + IP_AND_ICMP_HEADER_BYTES));
    header.ip_id = 0;
    header.ip_flags = allowFragmentation ? 0 : 0x40;
    header.ip_offset = 0;
    header.ip_ttl = 128;
    header.ip_protocol = 1;
    header.ip_checksum = 0;
    header.ip_srcaddr = _localHost.s_addr;
    header.ip_destaddr = _remoteHost.s_addr;
    std::memcpy(buffer, &header, sizeof(header));
}

void Ping::initializeICMPHeader(char* buffer) const
{
    KBR_ASSERT(buffer);
    if (buffer == nullptr)
        return;
    icmp_header header{};
    header.icmp_type = 8;
    header.icmp_code = 0;
    header.icmp_checksum = 0;
    header.icmp_id = 1;
    header.icmp_sequence = static_cast<std::uint16_t>(nextSequence() & 0xFFFF);
    std::memcpy(buffer, &header, sizeof(header));
}

std::uint16_t Ping::calculateICMPCheckSum(const char* buffer, int length)
{
    std::uint32_t sum = 0;
    int i = 0;
    for (; i + 1 < length; i += 2)
    {
        std::uint16_t word;
        std::memcpy(&word, buffer + i, sizeof(word));
        sum += word;
    }
    if (i < length)
        sum += static_cast<unsigned char>(buffer[i]);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

sockaddr_in Ping::buildSockAddrIn(const in_addr& address, int port)
{
    return platform::socketMakeAddress(address.s_addr, static_cast<std::uint16_t>(port));
}

void Ping::initializePayload(char* buffer, int size, const std::string& text)
{
    if (buffer == nullptr || size <= 0)
        return;
    if (text.empty())
    {
        std::memset(buffer, 0, static_cast<std::size_t>(size));
        return;
    }
    // Whole copies of the text, then the start of one more.
    const std::size_t total = static_cast<std::size_t>(size);
    for (std::size_t at = 0; at < total; at += text.size())
        std::memcpy(buffer + at, text.data(), std::min(text.size(), total - at));
}
