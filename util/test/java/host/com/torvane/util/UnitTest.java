package com.torvane.util;

// The host's unit-test switch; counts how often the native side asks.
public final class UnitTest {
    public static int calls;
    public static boolean answer = true;

    private UnitTest() {}

    public static boolean unitTesting() {
        calls++;
        return answer;
    }
}
