// The adapter list of a network namespace the test fills with veth, tap and
// tun devices (root only), checked against ip, ethtool and the seam that
// stands in for a driver with a burnt-in address.
#include <map>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "MacUtil.h"
#include "NetNamespace.h"
#include "NetworkCards.h"

using namespace qvxtest;
namespace net = qvx::platform;

namespace {

using Listing = std::vector<std::pair<std::string, std::string>>;  // title, host id

Listing listing()
{
    Listing adapters;
    for (const NetworkAdapter& a : MacUtil::getNetworkAdapters())
        adapters.emplace_back(a.getTitle(), a.getHostId());
    return adapters;
}

std::string hostIdOf(std::string address)
{
    std::string id;
    for (char c : address)
        if (c != ':')
            id += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return id;
}

// What ip, ethtool -i and ethtool -P say the listing must be: title from the
// alias or "[index] driver", host id from the permanent address when the
// driver keeps one, else the current ether address; none for other media.
Listing expectedFromTools(const NetNamespace& ns)
{
    std::string links;
    ns.run({"ip", "-o", "link"}, &links);
    Listing expected;
    std::istringstream lines(links);
    std::string line;
    const std::regex head("^([0-9]+): ([^:@]+)[:@]");
    while (std::getline(lines, line))
    {
        std::smatch m;
        if (!std::regex_search(line, m, head) || m[2] == "lo")
            continue;
        const std::string index = m[1], name = m[2];
        std::string driver, permanent;
        ns.run({"ethtool", "-i", name}, &driver);
        std::regex_search(driver, m, std::regex("driver: (\\S+)"));
        std::string title = "[" + index + "] " + m[1].str();
        if (std::regex_search(line, m, std::regex("alias (.*)$")))
            title = m[1];
        std::string hostId;
        if (std::regex_search(line, m, std::regex("link/ether ([0-9a-f:]{17})")))
        {
            hostId = hostIdOf(m[1]);
            ns.run({"ethtool", "-P", name}, &permanent);
            if (std::regex_search(permanent, m, std::regex("Permanent address: ([0-9a-f:]{17})")) &&
                m[1] != "00:00:00:00:00:00")
                hostId = hostIdOf(m[1]);
        }
        expected.emplace_back(title, hostId);
    }
    return expected;
}

std::map<std::string, int> g_asked;  // devices the seam was asked about
std::vector<unsigned char> g_answer;
bool g_answers = true;

bool fakeDriver(const std::string& device, std::vector<unsigned char>& address)
{
    ++g_asked[device];
    address = g_answer;
    return g_answers;
}

}  // namespace

TEST(MacUtilTest, ListsTheCardsAsIpAndEthtoolSeeThem)
{
    QVX_REQUIRE_ROOT();
    VethPair net;
    ASSERT_TRUE(net.ok);
    ASSERT_EQ(net.a.sh("ip link set a0 address 00:0a:1b:2c:3d:4e"
                       " && ip tuntap add mode tap name tap0 && ip link set tap0 alias 'Lab camera'"
                       " && ip tuntap add mode tun name tun0"),
              0);
    InNamespace in(net.a);
    ASSERT_TRUE(in.ok());

    const Listing adapters = listing();
    const Listing expected = expectedFromTools(net.a);
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(adapters, expected);
    // a0 (veth, no alias), tap0 (alias), tun0 (no 802.3 medium), in ifindex order.
    ASSERT_EQ(adapters.size(), 3u);
    EXPECT_TRUE(std::regex_match(adapters[0].first, std::regex("\\[[0-9]+\\] veth")));
    EXPECT_EQ(adapters[0].second, "000A1B2C3D4E");
    EXPECT_EQ(adapters[1].first, "Lab camera");
    EXPECT_TRUE(std::regex_match(adapters[2].first, std::regex("\\[[0-9]+\\] tun")));
    EXPECT_EQ(adapters[2].second, "");

    const std::list<std::string> macs = MacUtil::getMacAddress();
    EXPECT_EQ(macs, (std::list<std::string>{"000A1B2C3D4E", adapters[1].second}));
}

TEST(MacUtilTest, PermanentAddressOfTheDriverWinsOverTheCurrentOne)
{
    QVX_REQUIRE_ROOT();
    NetNamespace ns;
    ASSERT_TRUE(ns.ok());
    ASSERT_EQ(ns.sh("ip tuntap add mode tap name tap0 && ip link set tap0 address 00:0a:1b:2c:3d:4e"
                    " && ip tuntap add mode tun name tun0"),
              0);
    InNamespace in(ns);
    const net::PermanentAddressReader previous = net::setPermanentAddressReader(&fakeDriver);

    g_answer = {0x00, 0x1b, 0x21, 0xaa, 0xbb, 0xcc};
    EXPECT_EQ(MacUtil::getMacAddress(), (std::list<std::string>{"001B21AABBCC"}));
    EXPECT_EQ(g_asked["tap0"], 1);
    EXPECT_EQ(g_asked.count("tun0"), 0u) << "a tun device has no address to ask for";

    g_answer.assign(6, 0);  // a driver that keeps none answers zeros
    EXPECT_EQ(MacUtil::getMacAddress(), (std::list<std::string>{"000A1B2C3D4E"}));
    g_answers = false;  // a driver that cannot be asked
    EXPECT_EQ(listing(), (Listing{{"[2] tun", "000A1B2C3D4E"}, {"[3] tun", ""}}));

    net::setPermanentAddressReader(previous);
}
