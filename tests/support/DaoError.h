#pragma once

#include <QString>
#include <functional>

// Runs the call and returns the description of the CDaoException it raises;
// the null text when it raises none.
QString DaoError(const std::function<void()>& call);
