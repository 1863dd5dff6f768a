#include "CMergeFixture.h"

#include "TestFiles.h"

#include <QDate>
#include <QDir>
#include <QLocale>
#include <clocale>

const QString CMergeFixture::s_strTemplate = QStringLiteral("letter.txt");

const QByteArray CMergeFixture::s_workedExample =
    "#SUBJECT: Offer for #NAME\r\n#ATTACHMENTS price.pdf, terms.pdf\r\n"
    "Dear #PREFIX #NAME,\r\nplease find our offer attached.\r\n";

const QString CMergeFixture::s_strWorkedExampleBlock =
    QStringLiteral("================= jane@example.com ================= \n\n"
                   "To:\t\t\t\t\tjane@example.com \n"
                   "Subject:\t\t\tOffer for Smith \n"
                   "Attachments:\tprice.pdf, terms.pdf \n\n\n"
                   "Dear Dr. Smith,\r\nplease find our offer attached. \n\n\n");

QStringList CMergeFixture::DefaultCells() {
    return {QStringLiteral("11/30/26"),
            QStringLiteral("  jane@example.com\t"),
            QStringLiteral("Dr."),
            QStringLiteral("Smith"),
            s_strTemplate,
            QStringLiteral("one"),
            QStringLiteral("two"),
            QStringLiteral("three"),
            QStringLiteral("four"),
            QStringLiteral("five")};
}

QString CMergeFixture::Block(const QString& strSubject, const QString& strAttachments,
                             const QString& strBody) {
    const QString strTo = QStringLiteral("jane@example.com");
    return QStringLiteral("================= ") + strTo +
           QStringLiteral(" ================= \n\n") + QStringLiteral("To:\t\t\t\t\t") + strTo +
           QStringLiteral(" \n") + QStringLiteral("Subject:\t\t\t") + strSubject +
           QStringLiteral(" \n") + QStringLiteral("Attachments:\t") + strAttachments +
           QStringLiteral(" \n\n\n") + strBody + QStringLiteral(" \n\n\n");
}

QString CMergeFixture::Today() {
    const QDate today = QDate::currentDate();
    return QString::asprintf("%02d/%02d/%02d", today.month(), today.day(), today.year() % 100);
}

bool CMergeFixture::SetUp() {
    if (!m_startDir.isValid() || !m_elsewhere.isValid())
        return false;
    // The user's own locale writes dates differently; "#TODAY" must not care.
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        return false;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    return true;
}

bool CMergeFixture::WriteTemplate(const QByteArray& bytes, const QString& strName) const {
    return WriteFile(QDir(m_startDir.path()).filePath(strName), bytes);
}
