package com.torvane.util;

// A host whose unit-test switch answers slowly: unitTesting() says it has been
// entered, then waits until the test releases it (at most ten seconds).
public final class UnitTest {
    public static volatile boolean entered;
    public static volatile boolean release;

    private UnitTest() {}

    public static boolean unitTesting() throws InterruptedException {
        entered = true;
        for (int waited = 0; !release && waited < 10000; waited += 5) {
            Thread.sleep(5);
        }
        return true;
    }
}
