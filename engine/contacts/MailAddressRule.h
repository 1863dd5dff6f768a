#pragma once

#include <QString>

// True when the mail library would take the address: the program refuses at
// import what could never be sent to.
bool IsAcceptedAddress(const QString& strAddress);
