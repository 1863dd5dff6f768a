#pragma once

#include "engine/merge/CHtmlMail.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

// How one mail's send ended, as a value: where the program's Simple MAPI
// sequence stopped, the mail library's result code and the step of its call
// that failed, the server's own reply, and whether trying again later may
// help. A run decides from it whether to retry, pause or go on; the messages
// a single mail shows are drawn from it.
struct CSendResult {
    // Where the program's own sequence stopped: Sent when the mail went out
    // and the logon closed; Logoff when it went out but the logoff failed.
    enum class Stage {
        Sent,
        TemplateMissing,
        NotInstalled,
        NotLoaded,
        FunctionMissing,
        Logon,
        Send,
        Logoff
    };
    // Where the library's call ended, as the library tells it (its
    // CorvaneStep); None when it succeeded or cannot tell.
    enum class Step {
        None,
        Settings,
        Connect,
        Tls,
        Login,
        Token,
        Mail,
        Rcpt,
        Data,
        EndOfData,
        Outbox,
        Message
    };

    Stage stage = Stage::Sent;
    // The Simple MAPI result code of the call that failed; 0 when none did.
    int nCode = 0;
    Step step = Step::None;
    // The server's reply code that decided the result, 0 when none did.
    int nReplyCode = 0;
    bool bTemporary = false;
    // The server's reply (or the library's own words where no reply decided
    // the result); empty when the library cannot tell.
    QString strReply;
    QString strMessageId;
    // The attachments the mail went without, in the list's order.
    QStringList arrMissingAttachments;
    // The images a formatted mail went without, each shown as its
    // description instead.
    QList<CHtmlMail::Problem> arrImageProblems;
    // The template that could not be opened (Stage::TemplateMissing).
    QString strTemplate;

    // A result that stopped at stage with the code given.
    static CSendResult Failed(Stage stage, int nCode = 0);

    // The mail went out: the server (or the outbox) took it.
    bool IsSent() const { return stage == Stage::Sent || stage == Stage::Logoff; }
    // A run's stop ended the call before the server confirmed the mail.
    bool IsAborted() const;
    // The failure will meet every row still to send, not this row alone: the
    // mail system is off or missing, the logon, the server or the outbox
    // fails, the sender is refused.
    bool FailsForEveryRow() const;
    // A temporary failure of this row's recipient alone, which a run retries
    // for that row while the others go on.
    bool IsTemporaryForRow() const { return bTemporary && step == Step::Rcpt; }

    // The messages a single mail shows, in order: one warning per attachment
    // left out, then the failure's text, if any.
    QStringList Warnings() const;
    QString FailureText() const;
    // What the box of a single mail says: the failure, and where the sign-in
    // failed, the library's words on what to do about it.
    QString BoxText() const;
    // All of them, one per line, with the server's reply on a line of its
    // own after the failure: what a run's report, pause and log say.
    QString Text() const;

    // Text() under the row it belongs to, each line indented:
    // "Row 25, jane@example.com:\n    Can not SendMail, Error = 14".
    QString RowText(int nRow, const QString& strEMail) const;

    static QString MissingAttachmentText(const QString& strPath);
};

Q_DECLARE_METATYPE(CSendResult)
