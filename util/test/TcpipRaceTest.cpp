// shutdown() racing accept() and connecting clients: every round ends with the
// accepting thread interrupted, no connection is lost or leaked, and (under
// ThreadSanitizer) there is no data race.
#include <dirent.h>

#include <chrono>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "OperationInterruptedSocketIntException.h"
#include "SocketIntException.h"
#include "TcpipClient.h"
#include "TcpipConnection.h"
#include "TcpipServer.h"

namespace {

int openDescriptors()
{
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dirent* entry = readdir(dir))
        count += entry->d_name[0] != '.';
    closedir(dir);
    return count;
}

}  // namespace

TEST(TcpipRaceTest, ShutdownRacingAcceptAlwaysEndsTheAcceptLoop)
{
    std::mt19937 random(12345);
    const int before = openDescriptors();
    for (int round = 0; round < 150; ++round)
    {
        TcpipServer server(0);
        ASSERT_TRUE(server.listen());
        const unsigned short port = static_cast<unsigned short>(server.getBoundPort());
        const int clients = static_cast<int>(random() % 3);
        const auto delay = std::chrono::microseconds(random() % 400);

        std::thread other([&] {
            TcpipClient client("127.0.0.1", port, "");
            for (int i = 0; i < clients; ++i)
            {
                try
                {
                    delete client.connect();
                }
                catch (const SocketIntException&)
                {
                    // refused once the server is down
                }
            }
            std::this_thread::sleep_for(delay);
            server.shutdown();
            (void)server.isShutdown();
        });

        bool interrupted = false;
        int accepted = 0;
        while (!interrupted && accepted <= clients)
        {
            try
            {
                server.accept();
                server.releaseConnection(server.getConnection());
                ++accepted;
            }
            catch (const OperationInterruptedSocketIntException&)
            {
                interrupted = true;
            }
            catch (const XrayTesterException& e)
            {
                ADD_FAILURE() << "round " << round << ": " << e;
                break;
            }
        }
        other.join();
        EXPECT_TRUE(interrupted) << "round " << round;
        EXPECT_EQ(nullptr, server.getConnection());
        EXPECT_THROW(server.accept(), OperationInterruptedSocketIntException);
    }
    EXPECT_EQ(before, openDescriptors());
}
