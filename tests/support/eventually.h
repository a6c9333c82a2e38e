// Waiting in GUI tests for something the event loop brings about, with a result gtest sees.
#pragma once

#include <QDeadlineTimer>
#include <QTest>
#include <functional>

namespace inkwell::testing {

// Processes events until condition holds or timeout (milliseconds) passes. QTRY_* and QVERIFY report
// to a QTest run, which gtest never sees: inside a gtest body their failures pass silently.
inline bool eventually(const std::function<bool()>& condition, int timeout = 10000)
{
    QDeadlineTimer deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

} // namespace inkwell::testing
