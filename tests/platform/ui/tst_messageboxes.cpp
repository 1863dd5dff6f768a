#include "platform/ui/Beep.h"
#include "platform/ui/EngineErrorGuard.h"
#include "platform/ui/MessageBoxes.h"
#include "res/CResources.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <stdexcept>

namespace {

// Records every box asked for and gives the scripted answers in turn.
class BoxRecorder {
public:
    explicit BoxRecorder(QList<int> answers = {}) : m_answers(std::move(answers)) {
        m_previous = SetMessageBoxHandler([this](const MessageBoxCall& call) {
            m_calls << call;
            return m_answers.isEmpty() ? IDOK : m_answers.takeFirst();
        });
    }
    ~BoxRecorder() { SetMessageBoxHandler(m_previous); }

    QList<MessageBoxCall> m_calls;

private:
    QList<int> m_answers;
    MessageBoxHandler m_previous;
};

// Like the database engine's exception: its what() is the UTF-8 description.
class EngineError : public std::exception {
public:
    explicit EngineError(const QString& strDescription) : m_utf8(strDescription.toUtf8()) {}
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QByteArray m_utf8;
};

enum Function { Afx, System, Window };

int Call(Function function, QWidget* pWidget, const QString& strText, unsigned nType) {
    switch (function) {
    case Afx:
        return AfxMessageBox(strText, nType);
    case System:
        return MessageBoxA(nullptr, strText, QString(), nType);
    case Window:
        return WindowMessageBox(pWidget, strText, nType);
    }
    return 0;
}

// Runs the action on the real box once it is open, from the event loop the
// box's exec() runs.
void WhenBoxOpens(QObject* pContext, std::function<void(QMessageBox*)> action) {
    QTimer::singleShot(10, pContext, [pContext, action] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (pBox && pBox->objectName() == QLatin1String("messageBox"))
            action(pBox);
        else
            WhenBoxOpens(pContext, action);
    });
}

} // namespace

Q_DECLARE_METATYPE(Function)

class TestMessageBoxes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void handlerSeesEachKind_data();
    void handlerSeesEachKind();
    void applicationBoxBelongsToActiveWindow_data();
    void applicationBoxBelongsToActiveWindow();
    void realBoxAnswers_data();
    void realBoxAnswers();
    void guardShowsEngineErrors_data();
    void guardShowsEngineErrors();
    void beepGoesToItsHandler();
};

// The application's boxes carry the application's name, which the program
// sets to its title when it starts.
void TestMessageBoxes::initTestCase() {
    QCoreApplication::setApplicationName(CResources::AppTitle());
}

void TestMessageBoxes::handlerSeesEachKind_data() {
    QTest::addColumn<Function>("function");
    QTest::addColumn<unsigned>("nType");
    QTest::addColumn<int>("nAnswer");
    QTest::addColumn<int>("nKind");
    QTest::addColumn<QString>("strCaption");
    QTest::addColumn<bool>("bOwnedByWidget");
    QTest::newRow("application, yes/no") << Afx << unsigned(MB_YESNO) << int(IDNO)
                                         << int(MessageBoxCall::Application) << "Corvane" << false;
    QTest::newRow("application, ok") << Afx << unsigned(MB_OK) << int(IDOK)
                                     << int(MessageBoxCall::Application) << "Corvane" << false;
    QTest::newRow("system") << System << unsigned(MB_OK) << int(IDOK) << int(MessageBoxCall::System)
                            << "" << false;
    QTest::newRow("window") << Window << unsigned(MB_OK) << int(IDOK) << int(MessageBoxCall::Window)
                            << "" << true;
    QTest::newRow("window, yes/no")
        << Window << unsigned(MB_YESNO) << int(IDYES) << int(MessageBoxCall::Window) << "" << true;
}

void TestMessageBoxes::handlerSeesEachKind() {
    QFETCH(Function, function);
    QFETCH(unsigned, nType);
    QFETCH(int, nAnswer);
    QFETCH(int, nKind);
    QFETCH(QString, strCaption);
    QFETCH(bool, bOwnedByWidget);
    QWidget widget;
    BoxRecorder recorder({nAnswer});
    const QString strText = QStringLiteral("Remove \"a'b@example.com\" now?");
    QCOMPARE(Call(function, &widget, strText, nType), nAnswer);
    QCOMPARE(recorder.m_calls.size(), 1);
    const MessageBoxCall& call = recorder.m_calls.first();
    QCOMPARE(int(call.kind), nKind);
    QCOMPARE(call.strText, strText);
    QCOMPARE(call.strCaption, strCaption);
    QCOMPARE(call.nType, nType);
    QCOMPARE(call.pOwner, bOwnedByWidget ? &widget : nullptr);
}

void TestMessageBoxes::applicationBoxBelongsToActiveWindow_data() {
    QTest::addColumn<bool>("bMainWindow");
    QTest::addColumn<bool>("bDialog");
    QTest::newRow("no window") << false << false;
    QTest::newRow("main window") << true << false;
    QTest::newRow("dialog over the main window") << true << true;
}

void TestMessageBoxes::applicationBoxBelongsToActiveWindow() {
    QFETCH(bool, bMainWindow);
    QFETCH(bool, bDialog);
    QMainWindow window;
    QDialog dialog(&window);
    QWidget* pExpected = nullptr;
    if (bMainWindow) {
        window.show();
        window.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        pExpected = &window;
    }
    if (bDialog) {
        dialog.show();
        dialog.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &dialog);
        pExpected = &dialog;
    }
    BoxRecorder recorder;
    AfxMessageBox(QStringLiteral("text"));
    QCOMPARE(recorder.m_calls.size(), 1);
    QCOMPARE(recorder.m_calls.first().pOwner, pExpected);
}

void TestMessageBoxes::realBoxAnswers_data() {
    QTest::addColumn<Function>("function");
    QTest::addColumn<unsigned>("nType");
    QTest::addColumn<int>("nButton");
    QTest::addColumn<int>("nExpected");
    QTest::addColumn<QString>("strTitle");
    QTest::addColumn<int>("nButtons");
    // Button 0 stands for the Escape key.
    QTest::newRow("yes") << Afx << unsigned(MB_YESNO) << int(QMessageBox::Yes) << int(IDYES)
                         << "Corvane" << 2;
    QTest::newRow("no") << Afx << unsigned(MB_YESNO) << int(QMessageBox::No) << int(IDNO)
                        << "Corvane" << 2;
    QTest::newRow("escape on a question is no")
        << Afx << unsigned(MB_YESNO) << 0 << int(IDNO) << "Corvane" << 2;
    QTest::newRow("ok") << Afx << unsigned(MB_OK) << int(QMessageBox::Ok) << int(IDOK) << "Corvane"
                        << 1;
    QTest::newRow("system box, ok")
        << System << unsigned(MB_OK) << int(QMessageBox::Ok) << int(IDOK) << "" << 1;
    QTest::newRow("window box, escape") << Window << unsigned(MB_OK) << 0 << int(IDOK) << "" << 1;
}

void TestMessageBoxes::realBoxAnswers() {
    QFETCH(Function, function);
    QFETCH(unsigned, nType);
    QFETCH(int, nButton);
    QFETCH(int, nExpected);
    QFETCH(QString, strTitle);
    QFETCH(int, nButtons);
    QWidget owner;
    QObject context;
    QString strSeenTitle;
    QString strSeenText;
    qsizetype nSeenButtons = 0;
    QWidget* pSeenParent = nullptr;
    WhenBoxOpens(&context, [&](QMessageBox* pBox) {
        strSeenTitle = pBox->windowTitle();
        strSeenText = pBox->text();
        nSeenButtons = pBox->buttons().size();
        pSeenParent = pBox->parentWidget();
        if (nButton == 0)
            QTest::keyClick(pBox, Qt::Key_Escape);
        else
            pBox->button(QMessageBox::StandardButton(nButton))->click();
    });
    const QString strText = QStringLiteral("Something to read.");
    QCOMPARE(Call(function, &owner, strText, nType), nExpected);
    QCOMPARE(strSeenTitle, strTitle);
    QCOMPARE(strSeenText, strText);
    QCOMPARE(nSeenButtons, qsizetype(nButtons));
    QCOMPARE(pSeenParent, function == Window ? &owner : nullptr);
}

void TestMessageBoxes::guardShowsEngineErrors_data() {
    QTest::addColumn<int>("nThrow");
    QTest::addColumn<QString>("strText");
    // nThrow: 0 nothing, 1 the engine's exception, 2 another std::exception.
    QTest::newRow("no error") << 0 << "";
    QTest::newRow("engine error") << 1 << "no such table: ADDRESSES";
    QTest::newRow("engine error, non-ASCII text")
        << 1 << QStringLiteral("Field \u201cName\u201d holds at most 255 characters: M\u00fcller…");
    QTest::newRow("other standard exception") << 2 << "out of range";
}

void TestMessageBoxes::guardShowsEngineErrors() {
    QFETCH(int, nThrow);
    QFETCH(QString, strText);
    BoxRecorder recorder;
    QStringList steps;
    const bool bCompleted = EngineErrorGuard([&] {
        steps << QStringLiteral("before");
        if (nThrow == 1)
            throw EngineError(strText);
        if (nThrow == 2)
            throw std::out_of_range(strText.toStdString());
        steps << QStringLiteral("after");
    });
    QCOMPARE(bCompleted, nThrow == 0);
    QCOMPARE(steps.join(u' '), QString(nThrow == 0 ? "before after" : "before"));
    QCOMPARE(recorder.m_calls.size(), nThrow == 0 ? 0 : 1);
    if (nThrow != 0) {
        const MessageBoxCall& call = recorder.m_calls.first();
        QCOMPARE(int(call.kind), int(MessageBoxCall::Application));
        QCOMPARE(call.strText, strText);
        QCOMPARE(call.nType, unsigned(MB_OK));
    }
}

void TestMessageBoxes::beepGoesToItsHandler() {
    QList<QPair<unsigned, unsigned>> beeps;
    const BeepHandler previous = SetBeepHandler([&](unsigned nFrequency, unsigned nDuration) {
        beeps << qMakePair(nFrequency, nDuration);
    });
    QVERIFY(!previous);
    Beep(880, 20);
    Beep(440, 5);
    QCOMPARE(beeps, (QList<QPair<unsigned, unsigned>>{{880u, 20u}, {440u, 5u}}));
    QVERIFY(SetBeepHandler(previous));
    QVERIFY(!SetBeepHandler(nullptr));
}

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
