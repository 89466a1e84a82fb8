#pragma once
// QtTest's waiting checks (QTRY_VERIFY, QTRY_COMPARE and their _WITH_TIMEOUT forms) in a
// GoogleTest program. QtTest reports their failure to its own log, which a GoogleTest program
// never reads: the test only returned early and passed. Included after <QtTest>, a failed wait
// fails the GoogleTest test it runs in (and still ends it there).

#include <QtTest>

#include <gtest/gtest.h>

#undef QVERIFY
#define QVERIFY(statement)                                                                         \
    do {                                                                                           \
        if (!static_cast<bool>(statement)) {                                                       \
            ADD_FAILURE() << "still false after waiting: " #statement;                             \
            return;                                                                                \
        }                                                                                          \
    } while (false)

#undef QCOMPARE
#define QCOMPARE(actual, expected)                                                                 \
    do {                                                                                           \
        if (!((actual) == (expected))) {                                                           \
            ADD_FAILURE() << "still different after waiting: " #actual " and " #expected;          \
            return;                                                                                \
        }                                                                                          \
    } while (false)

#undef QFAIL
#define QFAIL(message)                                                                             \
    do {                                                                                           \
        ADD_FAILURE() << (message);                                                                \
        return;                                                                                    \
    } while (false)
