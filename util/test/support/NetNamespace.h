#ifndef QVX_TEST_NET_NAMESPACE_H
#define QVX_TEST_NET_NAMESPACE_H

// Network namespaces for tests that need real links (root only). A namespace
// here has no name: it is held by a descriptor of the test process and goes
// away, with every link in it, when the last holder closes it, so nothing is
// left behind on any path, a crash included. Commands (ip, ping, tracepath,
// ethtool) run in a namespace through a forked child that enters it and
// mounts its own view of /sys, as `ip netns exec` does.
#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace qvxtest {

inline bool isRoot()
{
    return ::geteuid() == 0;
}

// Skips a test that needs root, saying so.
#define QVX_REQUIRE_ROOT()                                                                   \
    if (!qvxtest::isRoot())                                                                  \
    GTEST_SKIP() << "needs root (network namespaces, raw sockets, sysfs); CI runs these as root"

// Gives the calling process a mount namespace of its own (once), so that a
// sysfs mounted on /sys is seen by nobody else.
inline bool privateMounts()
{
    static const bool done = ::unshare(CLONE_NEWNS) == 0 &&
                             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return done;
}

class NetNamespace
{
public:
    // A new namespace with its loopback up; ok() false when it cannot be made.
    NetNamespace()
    {
        const int original = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        if (original >= 0 && ::unshare(CLONE_NEWNET) == 0)
        {
            _fd = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
            ::setns(original, CLONE_NEWNET);
        }
        if (original >= 0)
            ::close(original);
        if (_fd >= 0 && sh("ip link set lo up") != 0)
        {
            ::close(_fd);
            _fd = -1;
        }
    }
    ~NetNamespace()
    {
        if (_fd >= 0)
            ::close(_fd);
    }
    NetNamespace(const NetNamespace&) = delete;
    NetNamespace& operator=(const NetNamespace&) = delete;

    bool ok() const { return _fd >= 0; }
    int fd() const { return _fd; }
    // A path that names the namespace for `ip link set ... netns PATH`.
    std::string path() const
    {
        return "/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(_fd);
    }

    // Runs argv in the namespace; its exit code (128 + signal when one ended
    // it, 127 when it could not be started). Standard output and error go to
    // output when given.
    int run(const std::vector<std::string>& argv, std::string* output = nullptr) const
    {
        int pipeFds[2] = {-1, -1};
        if (output != nullptr && ::pipe2(pipeFds, O_CLOEXEC) != 0)
            return 127;
        const pid_t child = ::fork();
        if (child == 0)
        {
            if (output != nullptr)
            {
                ::dup2(pipeFds[1], 1);
                ::dup2(pipeFds[1], 2);
            }
            // EBUSY: /sys already shows this namespace (the caller is in it).
            if (::setns(_fd, CLONE_NEWNET) != 0 || ::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                (::mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0 && errno != EBUSY))
                ::_exit(127);
            std::vector<char*> args;
            for (const std::string& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
        if (output != nullptr)
        {
            ::close(pipeFds[1]);
            output->clear();
            char chunk[4096];
            ssize_t got;
            while ((got = ::read(pipeFds[0], chunk, sizeof(chunk))) > 0 || (got < 0 && errno == EINTR))
                if (got > 0)
                    output->append(chunk, static_cast<std::size_t>(got));
            ::close(pipeFds[0]);
        }
        if (child < 0)
            return 127;
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR)
        {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    int sh(const std::string& command, std::string* output = nullptr) const
    {
        return run({"/bin/sh", "-c", command}, output);
    }

private:
    int _fd = -1;
};

// Puts the calling thread into a namespace for a scope, with that
// namespace's sysfs on /sys (in the process's private mount namespace).
class InNamespace
{
public:
    explicit InNamespace(const NetNamespace& ns)
    {
        _original = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        _entered = _original >= 0 && ::setns(ns.fd(), CLONE_NEWNET) == 0;
        _mounted = _entered && privateMounts() && ::mount("sysfs", "/sys", "sysfs", 0, nullptr) == 0;
    }
    ~InNamespace()
    {
        if (_mounted)
            ::umount2("/sys", MNT_DETACH);
        if (_entered)
            ::setns(_original, CLONE_NEWNET);
        if (_original >= 0)
            ::close(_original);
    }
    InNamespace(const InNamespace&) = delete;
    InNamespace& operator=(const InNamespace&) = delete;
    bool ok() const { return _entered && _mounted; }

private:
    int _original = -1;
    bool _entered = false;
    bool _mounted = false;
};

using Bytes = std::vector<unsigned char>;

// IPv4 datagrams that arrive in a namespace (outgoing ones left out),
// captured with an AF_PACKET socket opened there.
class Capture
{
public:
    explicit Capture(const NetNamespace& ns)
    {
        InNamespace in(ns);
        _fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, htons(ETH_P_IP));
        const int big = 16 << 20, one = 1;
        ::setsockopt(_fd, SOL_SOCKET, SO_RCVBUFFORCE, &big, sizeof(big));
        ::setsockopt(_fd, SOL_PACKET, PACKET_IGNORE_OUTGOING, &one, sizeof(one));
    }
    ~Capture()
    {
        if (_fd >= 0)
            ::close(_fd);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    bool ok() const { return _fd >= 0; }

    // The datagrams of this IP protocol received since the last call, IP
    // header first; for ICMP (1) only echo requests.
    std::vector<Bytes> take(int protocol = 1)
    {
        std::vector<Bytes> datagrams;
        Bytes frame(70000);
        ssize_t got;
        while ((got = ::recv(_fd, frame.data(), frame.size(), 0)) > 0)
        {
            if (got <= ETH_HLEN)
                continue;
            const unsigned char* ip = frame.data() + ETH_HLEN;
            const std::size_t size = static_cast<std::size_t>(got) - ETH_HLEN;
            if (size >= 28 && ip[9] == protocol && (protocol != 1 || ip[(ip[0] & 0x0F) * 4] == 8))
                datagrams.emplace_back(ip, ip + size);
        }
        return datagrams;
    }
    std::vector<Bytes> echoRequests() { return take(1); }

private:
    int _fd = -1;
};

// Two namespaces joined by a veth pair: "a0" at 10.77.0.1/24 in a, "b0" at
// 10.77.0.2/24 in b, both up with the given MTU.
struct VethPair
{
    NetNamespace a;
    NetNamespace b;
    bool ok = false;
    static constexpr const char* A_ADDRESS = "10.77.0.1";
    static constexpr const char* B_ADDRESS = "10.77.0.2";

    explicit VethPair(int mtu = 1500)
    {
        ok = a.ok() && b.ok() &&
             a.sh("ip link add a0 type veth peer name b0 netns " + b.path()) == 0 &&
             a.sh("ip addr add 10.77.0.1/24 dev a0 && ip link set a0 up") == 0 &&
             b.sh("ip addr add 10.77.0.2/24 dev b0 && ip link set b0 up") == 0 && setMtu(mtu);
    }
    bool setMtu(int mtu)
    {
        const std::string value = std::to_string(mtu);
        return a.sh("ip link set a0 mtu " + value) == 0 && b.sh("ip link set b0 mtu " + value) == 0;
    }
};

}  // namespace qvxtest

#endif
