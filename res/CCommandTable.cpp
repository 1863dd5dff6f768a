#include "res/CCommandTable.h"

#include "platform/mfc/CMDIFrameWnd.h"
#include "res/CResources.h"
#include "res/Resource.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>

namespace {

QList<QKeySequence> Keys(std::initializer_list<QKeyCombination> combinations) {
    QList<QKeySequence> keys;
    for (const QKeyCombination combination : combinations)
        keys.append(QKeySequence(combination));
    return keys;
}

QString Picture(const char* pszName) {
    return QStringLiteral(":/res/toolbar/%1.png").arg(QLatin1String(pszName));
}

// A menu of a menu bar: its title and its items (ID_SEPARATOR for a line).
struct MenuLayout {
    QString strTitle;
    QList<unsigned> items;
};

// One menu bar: its menus and the items whose text differs from the
// command's own.
struct MenuBarLayout {
    QList<MenuLayout> menus;
    QHash<unsigned, QString> itemTexts;
};

const QString& FileTitle() {
    static const QString str = QStringLiteral("&File");
    return str;
}
const QString& ViewTitle() {
    static const QString str = QStringLiteral("&View");
    return str;
}
const QString& DatabaseTitle() {
    static const QString str = QStringLiteral("Database");
    return str;
}
const QString& HelpTitle() {
    static const QString str = QStringLiteral("&Help");
    return str;
}

MenuBarLayout MainFrameMenuBar() {
    return {{{FileTitle(),
               {ID_FILE_NEW, ID_IMPORT_ADDRESSES, ID_EXPORT_ADDRESSES, ID_MAIL_SETTINGS,
                ID_DATABASE_SETTINGS, ID_SEPARATOR, ID_APP_EXIT}},
             {ViewTitle(), {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}},
             {DatabaseTitle(),
              {ID_SHOW_TABLE, ID_SHOW_ADDRESS, ID_FIND, ID_SEPARATOR, ID_ADD_ADDRESS,
               ID_DELETE_ADDRESS, ID_SET_TEMPLATE, ID_SEPARATOR, ID_PREVIEW_MAIL,
               ID_PREVIEW_FORMATTED, ID_SEND_MAIL}},
             {HelpTitle(), {ID_HELP_FINDER, ID_SAMPLE_TEMPLATE, ID_SEPARATOR, ID_APP_ABOUT}}},
            {{ID_FILE_NEW, QStringLiteral("&Show Clipboard\tCtrl+N")}}};
}

MenuBarLayout TextWindowMenuBar() {
    return {
        {{FileTitle(),
          {ID_FILE_NEW, ID_FILE_CLOSE, ID_IMPORT_ADDRESSES, ID_EXPORT_ADDRESSES, ID_MAIL_SETTINGS,
           ID_DATABASE_SETTINGS, ID_SEPARATOR, ID_APP_EXIT}},
         {ViewTitle(), {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_SEPARATOR, ID_AUTO_UPDATE}},
         {QStringLiteral("&Window"),
          {ID_WINDOW_NEW, ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE}},
         {DatabaseTitle(),
          {ID_SHOW_TABLE, ID_SHOW_ADDRESS, ID_SEPARATOR, ID_FIND, ID_DELETE_ADDRESS, ID_ADD_ADDRESS,
           ID_SET_TEMPLATE, ID_SEPARATOR, ID_PREVIEW_MAIL, ID_PREVIEW_FORMATTED, ID_SEND_MAIL}},
         {HelpTitle(), {ID_HELP_FINDER, ID_SAMPLE_TEMPLATE, ID_SEPARATOR, ID_APP_ABOUT}}},
        {{ID_FILE_NEW, QStringLiteral("&Clipboard\tCtrl+N")}}};
}

} // namespace

const QList<CCommandTable::Command>& CCommandTable::Commands() {
    static const QList<Command> commands = {
        {ID_SHOW_TABLE,
         QStringLiteral("Show Table"),
         QStringLiteral("Show Table\nShow Table"),
         {},
         Picture("showtable"),
         false},
        {ID_SHOW_ADDRESS,
         QStringLiteral("Show Address"),
         QStringLiteral("Show Address\nShow Address"),
         {},
         Picture("showaddress"),
         false},
        {ID_FIND,
         QStringLiteral("Find..."),
         QStringLiteral("Find Records\nFind Records"),
         {},
         Picture("find"),
         false},
        {ID_ADD_ADDRESS,
         QStringLiteral("Add Address"),
         QStringLiteral("Add new Address\nAdd new Address"),
         {},
         Picture("addaddress"),
         false},
        {ID_DELETE_ADDRESS,
         QStringLiteral("Delete Address(es)"),
         QStringLiteral("Delete selected Address(es)\nDelete selected Address(es)"),
         {},
         Picture("deleteaddress"),
         false},
        {ID_PREVIEW_MAIL,
         QStringLiteral("Preview Mail"),
         QStringLiteral("Preview Mail\nPreview Mail"),
         {},
         Picture("previewmail"),
         false},
        {ID_PREVIEW_FORMATTED,
         QStringLiteral("Preview &Formatted Mail"),
         QStringLiteral("Show the mails of the selected addresses as their recipients will see "
                        "them\nPreview Formatted Mail"),
         {},
         QString(),
         false},
        {ID_SEND_MAIL,
         QStringLiteral("Send Mail"),
         QStringLiteral("Send Mail\nSend Mail"),
         Keys({Qt::CTRL | Qt::Key_M}),
         Picture("sendmail"),
         false},
        {ID_SET_TEMPLATE,
         QStringLiteral("Set &Template..."),
         QStringLiteral("Set the template of the selected addresses\nSet Template"),
         {},
         QString(),
         false},
        {ID_AUTO_UPDATE,
         QStringLiteral("Auto update"),
         QStringLiteral("Auto update clipboard\nAuto update clipboard"),
         {},
         Picture("autoupdate"),
         true},
        {ID_FILE_NEW, QString(), QStringLiteral("Show clipboard contens\nShow clipboard contens"),
         Keys({Qt::CTRL | Qt::Key_N}), Picture("clipboard"), false},
        {ID_FILE_OPEN, QString(), QStringLiteral("Open an existing document\nOpen"),
         Keys({Qt::CTRL | Qt::Key_O}), QString(), false},
        {ID_FILE_CLOSE,
         QStringLiteral("&Close"),
         QStringLiteral("Close the active document\nClose"),
         {},
         QString(),
         false},
        {ID_FILE_SAVE, QString(), QStringLiteral("Save the active document\nSave"),
         Keys({Qt::CTRL | Qt::Key_S}), QString(), false},
        {ID_FILE_PRINT, QString(), QStringLiteral("Print the active document\nPrint"),
         Keys({Qt::CTRL | Qt::Key_P}), QString(), false},
        {ID_MAIL_SETTINGS,
         QStringLiteral("&Mail Settings..."),
         QStringLiteral("Set up how mail is sent\nMail Settings"),
         {},
         QString(),
         false},
        {ID_DATABASE_SETTINGS,
         QStringLiteral("&Database Settings..."),
         QStringLiteral("Choose where the address book is kept\nDatabase Settings"),
         {},
         QString(),
         false},
        {ID_IMPORT_ADDRESSES,
         QStringLiteral("&Import Addresses..."),
         QStringLiteral("Add the addresses of a CSV or vCard file\nImport Addresses"),
         Keys({Qt::CTRL | Qt::Key_I}),
         QString(),
         false},
        {ID_EXPORT_ADDRESSES,
         QStringLiteral("&Export Addresses..."),
         QStringLiteral("Write the selected or all addresses to a CSV or vCard file\nExport "
                        "Addresses"),
         {},
         QString(),
         false},
        {ID_APP_EXIT,
         QStringLiteral("E&xit"),
         QStringLiteral("Quit the application; prompts to save documents\nExit"),
         {},
         QString(),
         false},
        {ID_EDIT_UNDO, QString(), QStringLiteral("Undo the last action\nUndo"),
         Keys({Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace}), QString(), false},
        {ID_EDIT_CUT, QString(),
         QStringLiteral("Cut the selection and put it on the Clipboard\nCut"),
         Keys({Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete}), QString(), false},
        {ID_EDIT_COPY, QString(),
         QStringLiteral("Copy the selection and put it on the Clipboard\nCopy"),
         Keys({Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert}), QString(), false},
        {ID_EDIT_PASTE, QString(), QStringLiteral("Insert Clipboard contents\nPaste"),
         Keys({Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert}), QString(), false},
        {ID_NEXT_PANE, QString(), QStringLiteral("Switch to the next window pane\nNext Pane"),
         Keys({QKeyCombination(Qt::Key_F6)}), QString(), false},
        {ID_PREV_PANE, QString(),
         QStringLiteral("Switch back to the previous window pane\nPrevious Pane"),
         Keys({Qt::SHIFT | Qt::Key_F6}), QString(), false},
        {ID_VIEW_TOOLBAR,
         QStringLiteral("&Toolbar"),
         QStringLiteral("Show or hide the toolbar\nToggle ToolBar"),
         {},
         QString(),
         true},
        {ID_VIEW_STATUS_BAR,
         QStringLiteral("&Status Bar"),
         QStringLiteral("Show or hide the status bar\nToggle StatusBar"),
         {},
         QString(),
         true},
        {ID_WINDOW_NEW,
         QStringLiteral("&New Window"),
         QStringLiteral("Open another window for the active document\nNew Window"),
         {},
         QString(),
         false},
        {ID_WINDOW_CASCADE,
         QStringLiteral("&Cascade"),
         QStringLiteral("Arrange windows so they overlap\nCascade Windows"),
         {},
         QString(),
         false},
        {ID_WINDOW_TILE_HORZ,
         QStringLiteral("&Tile"),
         QStringLiteral("Arrange windows as non-overlapping tiles\nTile Windows"),
         {},
         QString(),
         false},
        {ID_WINDOW_ARRANGE,
         QStringLiteral("&Arrange Icons"),
         QStringLiteral("Arrange icons at the bottom of the window\nArrange Icons"),
         {},
         QString(),
         false},
        {ID_HELP_FINDER,
         QStringLiteral("&Help Topics"),
         QStringLiteral("List Help topics\nHelp Topics"),
         {},
         QString(),
         false},
        {ID_HELP, QString(), QStringLiteral("Display help for current task or command\nHelp"),
         Keys({QKeyCombination(Qt::Key_F1)}), QString(), false},
        {ID_CONTEXT_HELP, QString(),
         QStringLiteral("Display help for clicked on buttons, menus and windows\nHelp"),
         Keys({Qt::SHIFT | Qt::Key_F1}), QString(), false},
        {ID_SAMPLE_TEMPLATE,
         QStringLiteral("&Sample Template"),
         QStringLiteral("Show the sample template, and put it into this folder when it is "
                        "missing\nSample Template"),
         {},
         QString(),
         false},
        {ID_APP_ABOUT,
         QStringLiteral("&About Corvane..."),
         QStringLiteral("Display program information, version number and copyright\nAbout"),
         {},
         QString(),
         false},
    };
    return commands;
}

QString CCommandTable::StatusText(const Command& command) {
    return command.strPrompt.section(QLatin1Char('\n'), 0, 0);
}

QString CCommandTable::ToolTip(const Command& command) {
    return command.strPrompt.section(QLatin1Char('\n'), 1, 1);
}

void CCommandTable::CreateActions(CMDIFrameWnd* pFrame) {
    CResources::Load();
    for (const Command& command : Commands()) {
        auto* pAction = new QAction(command.strMenuText, pFrame);
        pAction->setObjectName(QStringLiteral("command%1").arg(command.nID));
        pAction->setData(command.nID);
        pAction->setStatusTip(StatusText(command));
        pAction->setToolTip(ToolTip(command));
        pAction->setShortcuts(command.keys);
        pAction->setCheckable(command.bCheckable);
        if (!command.strPicture.isEmpty())
            pAction->setIcon(CResources::Picture(command.strPicture));
        pAction->setEnabled(false);
        pFrame->RegisterCommand(command.nID, pAction);
    }
}

void CCommandTable::CreateMenuBar(unsigned nIDResource, CMDIFrameWnd* pFrame) {
    const MenuBarLayout layout =
        nIDResource == IDR_CorvaneTYPE ? TextWindowMenuBar() : MainFrameMenuBar();
    QList<QMenu*> menus;
    for (const MenuLayout& menuLayout : layout.menus) {
        auto* pMenu = new QMenu(menuLayout.strTitle, pFrame);
        pMenu->setObjectName(QStringLiteral("menu%1_%2").arg(nIDResource).arg(menus.size()));
        for (const unsigned nID : menuLayout.items) {
            if (nID == ID_SEPARATOR)
                pMenu->addSeparator();
            else
                pMenu->addAction(pFrame->GetCommandAction(nID));
        }
        menus.append(pMenu);
    }
    pFrame->SetMenuBar(nIDResource, menus, layout.itemTexts);
}

const QList<unsigned>& CCommandTable::ToolBarButtons() {
    static const QList<unsigned> buttons = {ID_SHOW_TABLE,   ID_FIND,           ID_ADD_ADDRESS,
                                            ID_SHOW_ADDRESS, ID_DELETE_ADDRESS, ID_SEPARATOR,
                                            ID_FILE_NEW,     ID_AUTO_UPDATE,    ID_SEPARATOR,
                                            ID_PREVIEW_MAIL, ID_SEND_MAIL};
    return buttons;
}

void CCommandTable::CreateToolBar(QToolBar* pToolBar, CMDIFrameWnd* pFrame) {
    pToolBar->setIconSize(QSize(16, 16));
    for (const unsigned nID : ToolBarButtons()) {
        if (nID == ID_SEPARATOR)
            pToolBar->addSeparator();
        else
            pToolBar->addAction(pFrame->GetCommandAction(nID));
    }
}
