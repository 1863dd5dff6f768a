#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The address files of the benches: records with random texts in a store's
// table, and the work a plain SQLite program does on them, to compare with.

// Adds nRecords records to the ADDRESSES table of the file at strPath, whose
// texts hold 10 to 40 letters drawn from a fixed seed; every hundredth record
// carries rareText (when given) in MY_2. False when SQLite fails.
bool FillAddressFile(const QString& strPath, int nRecords, const QByteArray& rareText = {});

// Plain SQLite: deletes the records with these keys in one transaction, with
// one prepared statement. False when SQLite fails.
bool DeleteKeysPlainly(const QString& strPath, const QList<qint64>& keys);
