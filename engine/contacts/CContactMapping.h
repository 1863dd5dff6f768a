#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Which columns of a contacts file fill which field of a new record. A field
// takes its columns' texts joined with a blank; when they give nothing, the
// first of its fallbacks that gives something (a name made of first and last
// name when the display name is empty; Google's "E-mail 2 - Value" when
// "E-mail 1 - Value" is empty). The header sets that Thunderbird, Google
// Contacts and Outlook write (Outlook's also in German, French, Spanish,
// Italian and Dutch, Thunderbird's in German and French), the vCard
// properties and the program's own export are recognised.
class CContactMapping {
public:
    // The record fields a file can fill, in the record's order: Date, EMail,
    // Prefix, Name, Template, MY_1 ... MY_5.
    static const QStringList& Fields();
    static int FieldIndex(const QString& strField);

    void SetColumns(int nField, const QList<int>& columns, const QList<int>& fallback = {});
    void AddFallback(int nField, const QList<int>& columns);
    // The field as other fills it.
    void TakeField(int nField, const CContactMapping& other);
    const QList<int>& Columns(int nField) const;
    bool HasFallback(int nField) const;
    bool IsMapped(int nField) const;
    // The last column any field takes text from; -1 when none does.
    int LastColumn() const;
    // The field's text in a row of the file; empty when the field is not mapped.
    QString Value(int nField, const QStringList& row) const;
    // How the field is filled, in the file's header names: "First Name +
    // Last Name", "Display Name, else First Name + Last Name", or empty.
    QString Describe(int nField, const QStringList& headers) const;

    static CContactMapping Recognise(const QStringList& headers);
    // The mapping last used for this header set, else the recognised one.
    static CContactMapping ForHeaders(const QStringList& headers);
    // Keeps the mapping for the next file with the same header set. False
    // when the settings file cannot be written.
    bool Remember(const QStringList& headers) const;

    // The mapping as one line of text and back; FromText gives false for a
    // text that does not fit nColumns columns.
    QString ToText() const;
    static bool FromText(const QString& strText, int nColumns, CContactMapping* pMapping);

    bool operator==(const CContactMapping& other) const = default;

private:
    struct Source {
        QList<int> columns;
        QList<QList<int>> fallbacks;
        bool operator==(const Source& other) const = default;
    };
    static QString JoinColumns(const QList<int>& columns, const QStringList& row);
    static QString SettingsKey(const QStringList& headers);

    QList<Source> m_sources = QList<Source>(Fields().size());
};
