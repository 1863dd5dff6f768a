#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// What the tests of the mail merge start from: the start folder that holds
// the templates, a second folder for the process to stand in meanwhile, a
// German user locale (which writes dates otherwise than the mail does), the
// cells of a table row, and the worked example of a template with the
// preview block it gives.
class CMergeFixture {
public:
    // The template the row names.
    static const QString s_strTemplate;
    static const QByteArray s_workedExample;
    // The worked example's preview block for the row, character by character.
    static const QString s_strWorkedExampleBlock;

    // Columns 1 to 10 of a table row: Date, EMail, Prefix, Name, Template,
    // MY_1 to MY_5.
    static QStringList DefaultCells();
    // The preview block for the row's address, built from its three parts.
    static QString Block(const QString& strSubject, const QString& strAttachments,
                         const QString& strBody);
    // Today in the C locale's "%x" form, worked out independently of the program.
    static QString Today();

    // Makes both folders and sets the German locale; false when a folder or
    // the locale is missing.
    [[nodiscard]] bool SetUp();
    QString StartDir() const { return m_startDir.path(); }
    QString Elsewhere() const { return m_elsewhere.path(); }
    // Writes a template into the start folder; false when it cannot be written whole.
    [[nodiscard]] bool WriteTemplate(const QByteArray& bytes,
                                     const QString& strName = s_strTemplate) const;

private:
    QTemporaryDir m_startDir;
    QTemporaryDir m_elsewhere;
};
