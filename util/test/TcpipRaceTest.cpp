// shutdown() racing accept() and connecting clients: every round ends with the
// accepting thread interrupted, no connection lost or leaked, and (under
// ThreadSanitizer) no data race.
#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "OperationInterruptedSocketIntException.h"
#include "SocketIntException.h"
#include "TcpipClient.h"
#include "TcpipConnection.h"
#include "TcpipServer.h"

TEST(TcpipRaceTest, ShutdownRacingAcceptAlwaysEndsTheAcceptLoop)
{
    std::mt19937 random(12345);
    int interrupted = 0;
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
                    // refused once the server is down: fine
                }
            }
            std::this_thread::sleep_for(delay);
            server.shutdown();
            (void)server.isShutdown();
        });

        int accepted = 0;
        bool ended = false;
        while (!ended && accepted <= clients)
        {
            try
            {
                server.accept();
                server.releaseConnection(server.getConnection());
                ++accepted;
            }
            catch (const OperationInterruptedSocketIntException&)
            {
                ended = true;
            }
        }
        other.join();
        EXPECT_TRUE(ended) << "round " << round;
        EXPECT_TRUE(server.isShutdown());
        EXPECT_EQ(SocketInt::Closed, server.getSocketState());
        interrupted += ended;
    }
    EXPECT_EQ(150, interrupted);
}
