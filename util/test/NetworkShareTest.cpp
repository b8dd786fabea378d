// Network shares through WindowUtil on a real Samba: a private configuration
// (registry shares, its own state, lock and private directories, a free
// loopback port), shares made through the library, smbd started on that
// configuration, and smbclient listing and writing to them. The machine's own
// Samba configuration is never touched.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "FailedCheck.h"
#include "NetworkShares.h"
#include "Process.h"
#include "Socket.h"
#include "TempDir.h"
#include "WindowUtil.h"

using namespace qvx::platform;
using qvxtest::ScopedEnv;
using qvxtest::TempDir;

namespace {

std::string run(const std::vector<std::string>& argv, int* exitCode = nullptr)
{
    std::string output;
    int code = -1;
    const int rc = runProcess(argv[0], argv, 1 << 20, 60000, output, code);
    if (exitCode != nullptr)
        *exitCode = rc == 0 ? code : -1;
    return output;
}

// A private Samba: configuration, directories and, once started, smbd.
class PrivateSamba
{
public:
    PrivateSamba()
    {
        ::chmod(_dir.path().c_str(), 0755);  // readable for the unprivileged test
        for (const char* d : {"state", "lock", "private", "cache", "pid", "ncalrpc"})
            _dir.mkdir(d);
        _port = socketFreeLoopbackPort();
        const std::string& d = _dir.path();
        // "include = registry" comes last, after the directories, so that the
        // registry used is the one in this state directory.
        TempDir::write(configuration(),
                       "[global]\n"
                       "  server role = standalone server\n"
                       "  state directory = " + d + "/state\n"
                       "  lock directory = " + d + "/lock\n"
                       "  private dir = " + d + "/private\n"
                       "  cache directory = " + d + "/cache\n"
                       "  pid directory = " + d + "/pid\n"
                       "  ncalrpc dir = " + d + "/ncalrpc\n"
                       "  log file = " + d + "/log.%m\n"
                       "  smb ports = " + std::to_string(_port) + "\n"
                       "  interfaces = 127.0.0.1\n"
                       "  bind interfaces only = yes\n"
                       "  disable netbios = yes\n"
                       "  map to guest = Bad User\n"
                       "  guest account = nobody\n"
                       "  include = registry\n");
    }
    ~PrivateSamba() { stop(); }

    std::string configuration() const { return _dir / "smb.conf"; }
    std::string net(const std::vector<std::string>& args, int* exitCode = nullptr) const
    {
        std::vector<std::string> argv = {"net", "-s", configuration(), "--", "conf"};
        argv.insert(argv.end(), args.begin(), args.end());
        return run(argv, exitCode);
    }
    std::string smbclient(const std::vector<std::string>& args, int* exitCode = nullptr) const
    {
        std::vector<std::string> argv = {"smbclient", "-s", configuration(), "-p", std::to_string(_port), "-N"};
        argv.insert(argv.end(), args.begin(), args.end());
        return run(argv, exitCode);
    }

    // Starts smbd and waits until it accepts connections.
    bool start()
    {
        const std::string conf = configuration(), log = _dir / "smbd.out";
        _smbd = ::fork();
        if (_smbd == 0)
        {
            // A process group of its own, made here (so smbd is told not to
            // make one): smbd signals its whole group when it ends, which
            // must not reach this test.
            ::setpgid(0, 0);
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execlp("smbd", "smbd", "-F", "--no-process-group", "-s", conf.c_str(), "--debug-stdout", "-d0", nullptr);
            ::_exit(127);
        }
        for (int i = 0; i < 200; ++i)
        {
            int code = -1;
            smbclient({"-L", "//127.0.0.1"}, &code);
            if (code == 0)
                return true;
            int status;
            if (::waitpid(_smbd, &status, WNOHANG) == _smbd)
            {
                _smbd = 0;  // it ended: nothing to wait for
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // Ends smbd and the RPC helper it may have started on demand.
    void stop()
    {
        if (_smbd > 0)
        {
            ::kill(-_smbd, SIGTERM);  // smbd and the helpers it started
            int status;
            ::waitpid(_smbd, &status, 0);
            _smbd = 0;
        }
        std::ifstream pidFile(_dir / "pid/samba-dcerpcd.pid");
        pid_t helper = 0;
        if (pidFile >> helper && helper > 0)
        {
            ::kill(helper, SIGTERM);
            for (int i = 0; i < 100 && ::kill(helper, 0) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ::kill(helper, SIGKILL);
        }
    }

    TempDir _dir;
    int _port = 0;
    pid_t _smbd = 0;
};

class NetworkShareTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_GT(_samba._port, 0);
        _conf.reset(new ScopedEnv("QVX_SMB_CONF", _samba.configuration()));
        _samba._dir.mkdir("docs");
        _samba._dir.mkdir("images");
        ::chmod((_samba._dir / "docs").c_str(), 0777);  // the guest account writes here
        ::chmod((_samba._dir / "images").c_str(), 0777);
    }

    unsigned create(const std::string& path, const std::string& name, unsigned type = 0, unsigned maxUses = 0xFFFFFFFF,
                    bool readOnly = false, const std::string& password = "")
    {
        return WindowUtil::createNetworkShare(path, name, type, "a comment", maxUses, readOnly, password);
    }

    PrivateSamba _samba;
    std::unique_ptr<ScopedEnv> _conf;
};

TEST_F(NetworkShareTest, SharesAreServedAsCreatedAndReadOnlyOnesRefuseWrites)
{
    const std::string docs = _samba._dir / "docs", images = _samba._dir / "images";
    ASSERT_EQ(0u, WindowUtil::createNetworkShare(docs, "Docs", 0, "Machine documents", 0xFFFFFFFF, false, ""));
    ASSERT_EQ(0u, WindowUtil::createNetworkShare(images, "Images", 0, "Inspection images, read only", 5, true, ""));
    const std::string images2 = _samba.net({"showshare", "Images"});
    EXPECT_NE(std::string::npos, images2.find("max connections = 5")) << images2;  // read only: see the writes
    // The library leaves guests out; this test lets them in to reach the shares.
    _samba.net({"setparm", "Docs", "guest ok", "yes"});
    _samba.net({"setparm", "Images", "guest ok", "yes"});
    ASSERT_TRUE(_samba.start()) << TempDir::read(_samba._dir / "smbd.out");

    int code = -1;
    const std::string listing = _samba.smbclient({"-L", "//127.0.0.1"}, &code);
    EXPECT_EQ(0, code) << listing;
    EXPECT_TRUE(std::regex_search(listing, std::regex("\n\\s*Docs\\s+Disk\\s+Machine documents\n"))) << listing;
    EXPECT_TRUE(std::regex_search(listing, std::regex("\n\\s*Images\\s+Disk\\s+Inspection images, read only\n")))
        << listing;

    TempDir local;
    TempDir::write(local / "report.txt", "inspection report\n");
    const std::string put = "put " + (local / "report.txt") + " report.txt";
    const std::string written = _samba.smbclient({"//127.0.0.1/Docs", "-c", put}, &code);
    EXPECT_EQ(0, code) << written;
    EXPECT_EQ("inspection report\n", TempDir::read(docs + "/report.txt"));
    const std::string refused = _samba.smbclient({"//127.0.0.1/Images", "-c", put}, &code);
    EXPECT_NE(0, code);
    EXPECT_NE(std::string::npos, refused.find("NT_STATUS_ACCESS_DENIED")) << refused;
    EXPECT_FALSE(TempDir::exists(images + "/report.txt"));

    // The path of a share of this machine, compared ignoring case and separators.
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    for (const std::string& server : {std::string(), std::string("localhost"), std::string("\\\\127.0.0.1"),
                                      std::string("\\\\") + host})
        EXPECT_TRUE(WindowUtil::isPathSharedAs(docs, server, "docs")) << server;
    std::string upper = docs;
    for (char& c : upper)
        c = c == '/' ? '\\' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(WindowUtil::isPathSharedAs(upper, "", "DOCS"));
    EXPECT_FALSE(WindowUtil::isPathSharedAs(images, "", "Docs"));
    EXPECT_FALSE(WindowUtil::isPathSharedAs(docs, "\\\\fileserver", "Docs"));  // never asked
    EXPECT_FALSE(WindowUtil::isPathSharedAs(docs, "", "Nothing"));
    EXPECT_FALSE(WindowUtil::isNetworkShareAvailable("", "Docs", 0));
}

TEST_F(NetworkShareTest, EveryStatusOfTheShareService)
{
    const std::string docs = _samba._dir / "docs";
    ASSERT_EQ(0u, create(docs, "Docs"));
    // (A duplicate in another letter case and a missing directory are AdminToolTest's.)
    EXPECT_EQ(2116u, create("docs", "Relative"));                     // not an absolute path
    EXPECT_EQ(2116u, create(_samba.configuration(), "File"));         // not a directory
    EXPECT_EQ(87u, create(docs, "Printer", 1));                       // only disk shares
    for (const char* bad : {"", "a/b", "a\\b", "semi;colon", "global", " lead", "line\nbreak",
                            "123456789012345678901234567890123456789012345678901234567890123456789012345678901"})
        EXPECT_EQ(87u, create(docs, bad)) << bad;
    EXPECT_EQ(50u, create(docs, "Secret", 0, 0xFFFFFFFF, false, "password"));
    int code = -1;
    _samba.net({"showshare", "Secret"}, &code);
    EXPECT_NE(0, code);  // nothing was made
    EXPECT_EQ(0u, create(docs, "Closed", 0, 0));  // a use limit of 0: nobody may connect
    EXPECT_NE(std::string::npos, _samba.net({"showshare", "Closed"}).find("available = no"));
    EXPECT_EQ(0u, create(docs, "-dash"));  // handed to net as an argument, never as an option
    EXPECT_TRUE(WindowUtil::isPathSharedAs(docs, "", "-dash"));

    // No configuration that can be changed: a missing file, a file without
    // registry shares, Samba's tools missing.
    {
        ScopedEnv missing("QVX_SMB_CONF", _samba._dir / "missing.conf");
        EXPECT_EQ(2114u, create(docs, "Other"));
        EXPECT_FALSE(WindowUtil::isPathSharedAs(docs, "", "Docs"));
    }
    {
        TempDir::write(_samba._dir / "plain.conf", "[global]\n  state directory = " + (_samba._dir / "state") +
                                                       "\n[registry]\n  include = registry\n");
        ScopedEnv plain("QVX_SMB_CONF", _samba._dir / "plain.conf");
        EXPECT_EQ(2114u, create(docs, "Other"));
    }
    {
        ScopedEnv path("PATH", "/nonexistent");
        EXPECT_EQ(2114u, create(docs, "Other"));
    }
    _samba.net({"showshare", "Other"}, &code);
    EXPECT_NE(0, code);

    // Not allowed: an account that cannot write Samba's registry.
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nullptr, nobody);
    ASSERT_EQ(0, ::geteuid()) << "the test needs root to act as another account";
    const pid_t child = ::fork();
    if (child == 0)
    {
        if (::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
            ::_exit(100);
        ::_exit(static_cast<int>(create(docs, "Unprivileged")));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(5, WEXITSTATUS(status));
}

}  // namespace
