#include "CAppTest.h"

#include <QTest>

void CAppTest::init() {
    m_pApp = std::make_unique<CAppFixture>();
    QVERIFY(m_pApp->IsReady());
}

void CAppTest::cleanup() {
    m_pApp.reset();
}
