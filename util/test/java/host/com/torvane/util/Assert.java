package com.torvane.util;

// The host application's assertion class as the native bridge sees it. Records
// each call for the test and throws on a false condition, as a host would.
public final class Assert {
    public static int calls;
    public static boolean lastCondition = true;
    public static String lastMessage;
    public static String lastThread;

    private Assert() {}

    public static void expect(boolean condition, String message) {
        calls++;
        lastCondition = condition;
        lastMessage = message;
        lastThread = Thread.currentThread().getName();
        if (!condition) {
            throw new AssertionError(message);
        }
    }
}
