#pragma once

#include "CAppFixture.h"

#include <QObject>
#include <memory>

// The base of a window test whose every test function meets a fresh Corvane:
// init starts it in an empty folder and fails the function when it does not
// come up; cleanup ends it.
class CAppTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

protected:
    std::unique_ptr<CAppFixture> m_pApp;
};
