#include "mapi32/CIdleConnection.h"

#include <chrono>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

// The parked handle. Its destructor, run when the process exits, closes the
// connection with QUIT.
struct Parking {
    ~Parking() {
        if (pCurl)
            curl_easy_cleanup(pCurl);
    }
    // The parked handle, no longer parked.
    CURL* Release() {
        CURL* pReleased = pCurl;
        pCurl = nullptr;
        return pReleased;
    }

    std::mutex mutex;
    CURL* pCurl = nullptr;
    curl_socket_t nSocket = CURL_SOCKET_BAD;
    CIdleConnection::Key key;
    Clock::time_point tParked;
};

// Made at the first parking, after libcurl and OpenSSL were initialised, so
// that it is destroyed before they are shut down at exit.
Parking& TheParking() {
    static Parking parking;
    return parking;
}

// Outside the lock: QUIT waits for the server's answer.
void Close(CURL* pCurl) {
    if (pCurl)
        curl_easy_cleanup(pCurl);
}

} // namespace

void CIdleConnection::Park(CURL* pCurl, curl_socket_t nSocket, Key key) {
    Parking& parking = TheParking();
    CURL* pEarlier = nullptr;
    {
        const std::lock_guard lock(parking.mutex);
        pEarlier = parking.Release();
        parking.pCurl = pCurl;
        parking.nSocket = nSocket;
        parking.key = std::move(key);
        parking.tParked = Clock::now();
    }
    Close(pEarlier);
}

CURL* CIdleConnection::Take(const Key& key, curl_socket_t& nSocket) {
    Parking& parking = TheParking();
    CURL* pParked = nullptr;
    {
        const std::lock_guard lock(parking.mutex);
        pParked = parking.Release();
        const bool bFresh = Clock::now() - parking.tParked <= std::chrono::seconds(kIdleSeconds);
        if (pParked && parking.key == key && bFresh) {
            nSocket = parking.nSocket;
            return pParked;
        }
    }
    Close(pParked);
    return nullptr;
}
