// Window look-ups from several threads at once: each call has its own
// connection, and the error handler they share is installed and put back
// correctly whichever call comes and goes first.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "TempDir.h"
#include "WindowUtil.h"
#include "XServer.h"

using namespace qvxtest;

TEST(WindowThreadTest, ConcurrentLookupsAnswerRightAndRestoreTheHandler)
{
    XServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    ScopedEnv display("DISPLAY", server.display());
    const pid_t client = spawnWindowProgram({QVX_TEST_WINDOW, "qvx shared"});
    ASSERT_NE(-1, client);

    const auto handler = [](Display*, XErrorEvent*) { return 0; };
    XSetErrorHandler(handler);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i)
            {
                if (!WindowUtil::isAppRunning("qvx shared"))
                    ++wrong;
                // A title nobody has, and hiding a window that another
                // thread shows again: requests on one window from many
                // connections must all be accepted.
                if (WindowUtil::isAppRunning("qvx shared " + std::to_string(t)))
                    ++wrong;
                if (!(t % 2 ? WindowUtil::hideWindow("qvx shared") : WindowUtil::showWindow("qvx shared")))
                    ++wrong;
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_EQ(+handler, XSetErrorHandler(nullptr));
    endProgram(client);
}
