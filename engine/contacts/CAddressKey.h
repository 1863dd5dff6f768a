#pragma once

#include <QHashFunctions>
#include <QStringView>

// An address as a key for finding twins, with the letter case of ASCII
// letters ignored as the store compares addresses (COLLATE NOCASE): 128 bits
// hashed from the address with the process's random hash seed, held instead
// of the text, so that the addresses of a large file cost a few bytes each.
class CAddressKey {
public:
    static CAddressKey Of(QStringView address);

    bool operator==(const CAddressKey& other) const = default;
    friend size_t qHash(const CAddressKey& key, size_t seed) { return qHashMulti(seed, key.m_nFirst); }

private:
    quint64 m_nFirst = 0;
    quint64 m_nSecond = 0;
};
