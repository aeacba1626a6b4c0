#pragma once

#include <QPointingDevice>
#include <QTest>

namespace quorvel::test {

// One touch screen for the whole test process: QTest registers every device it creates, so a
// test binary makes it once and every test touches through it.
inline QPointingDevice* TouchScreen() {
    static QPointingDevice* device = QTest::createTouchDevice();
    return device;
}

}  // namespace quorvel::test
