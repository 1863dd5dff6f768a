#include "mapi32/CIdleConnection.h"

#include "mapi32/CSmtpConnection.h"

#include <chrono>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

// The parked connection. Destroyed when the process exits, it says QUIT.
struct Parking {
    std::mutex mutex;
    std::unique_ptr<CSmtpConnection> pConnection;
    CIdleConnection::Key key;
    Clock::time_point tParked;
};

// Made at the first parking, after libcurl and OpenSSL were initialised, so
// that it is destroyed before they are shut down at exit.
Parking& TheParking() {
    static Parking parking;
    return parking;
}

} // namespace

// The connection parked before is closed outside the lock: its QUIT waits
// for the server's answer.
void CIdleConnection::Park(std::unique_ptr<CSmtpConnection> pConnection, Key key) {
    Parking& parking = TheParking();
    std::unique_ptr<CSmtpConnection> pEarlier;
    {
        const std::lock_guard lock(parking.mutex);
        pEarlier = std::move(parking.pConnection);
        parking.pConnection = std::move(pConnection);
        parking.key = std::move(key);
        parking.tParked = Clock::now();
    }
}

std::unique_ptr<CSmtpConnection> CIdleConnection::Take(const Key& key) {
    Parking& parking = TheParking();
    std::unique_ptr<CSmtpConnection> pParked;
    {
        const std::lock_guard lock(parking.mutex);
        pParked = std::move(parking.pConnection);
        const bool bFresh = Clock::now() - parking.tParked <= std::chrono::seconds(kIdleSeconds);
        if (pParked && parking.key == key && bFresh)
            return pParked;
    }
    return nullptr;
}
