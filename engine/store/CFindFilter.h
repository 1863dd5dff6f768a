#pragma once

#include <QString>

// Find's condition on the address table: some field other than the key
// holds the text, with the database's LIKE wildcards (* ? # [ ]) keeping
// their meaning. The text's single quotes are doubled, so a quote is just a
// character of it.
class CFindFilter {
public:
    static QString Criteria(const QString& strFind);
};
