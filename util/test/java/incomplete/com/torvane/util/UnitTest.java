package com.torvane.util;

// A host whose UnitTest lacks unitTesting() with the signature the bridge
// looks up (only an overload with an argument), and which has no Assert class.
public final class UnitTest {
    private UnitTest() {}

    public static boolean unitTesting(int ignored) {
        return true;
    }
}
