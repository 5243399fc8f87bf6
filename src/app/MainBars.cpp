// The main window's bars: commands, menus, toolbars and the toolbar
// commands, and the central area with the side panel and the result tabs.

#include "app/MainFrm.h"

#include "core/Guard.h"
#include "settings/DebugLog.h"
#include "ui/CustomiseToolbars.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace {

// Without a desktop session Qt finds no icon theme; the freedesktop
// default is the closest to what the user's desktop would show.
void EnsureIconTheme()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QLatin1String("hicolor"))
        return;
    for (const QString& dir : QIcon::themeSearchPaths()) {
        if (QFile::exists(dir + QStringLiteral("/Adwaita/index.theme"))) {
            QIcon::setThemeName(QStringLiteral("Adwaita"));
            return;
        }
    }
}

// A theme icon, else the one Pollux ships, else the style's own.
// `names` may list alternatives, separated by "|", best first.
QIcon ThemeIcon(const QString& names)
{
    if (names.isEmpty())
        return {};
    const QStringList choices = names.split(QLatin1Char('|'));
    for (const QString& choice : choices)
        if (QIcon::hasThemeIcon(choice))
            return QIcon::fromTheme(choice);
    const QString name = choices.first();
    const QString shipped = QStringLiteral(":/pollux/icons/") + name + QStringLiteral(".svg");
    if (QFile::exists(shipped))
        return QIcon(shipped);
    static const QHash<QString, QStyle::StandardPixmap> standard = {
        {QStringLiteral("system-run"), QStyle::SP_MediaPlay},
        {QStringLiteral("view-refresh"), QStyle::SP_BrowserReload},
        {QStringLiteral("process-stop"), QStyle::SP_BrowserStop},
        {QStringLiteral("edit-clear"), QStyle::SP_DialogResetButton},
        {QStringLiteral("document-open"), QStyle::SP_DialogOpenButton},
        {QStringLiteral("document-save-as"), QStyle::SP_DialogSaveButton},
        {QStringLiteral("document-save"), QStyle::SP_DialogSaveButton},
        {QStringLiteral("go-next"), QStyle::SP_ArrowForward},
        {QStringLiteral("go-previous"), QStyle::SP_ArrowBack},
        {QStringLiteral("help-contents"), QStyle::SP_DialogHelpButton},
        {QStringLiteral("help-browser"), QStyle::SP_DialogHelpButton},
        {QStringLiteral("help-about"), QStyle::SP_MessageBoxInformation},
        {QStringLiteral("window-close"), QStyle::SP_DialogCloseButton},
        {QStringLiteral("application-exit"), QStyle::SP_DialogCloseButton},
        {QStringLiteral("network-server"), QStyle::SP_DriveNetIcon},
        {QStringLiteral("utilities-terminal"), QStyle::SP_ComputerIcon},
        {QStringLiteral("internet-web-browser"), QStyle::SP_DirLinkIcon},
    };
    const auto it = standard.constFind(name);
    if (it != standard.constEnd())
        return QApplication::style()->standardIcon(it.value());
    return {};
}

// Runs a handler for Enter and keeps the key from going further.
class EnterKeyFilter : public QObject {
public:
    EnterKeyFilter(QObject* parent, std::function<void()> onEnter) : QObject(parent), onEnter_(std::move(onEnter)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                onEnter_();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onEnter_;
};

} // namespace

QAction* TMain::MakeAction(const char* name, const QString& text, const QString& iconName,
                           const QKeySequence& shortcut, const QString& category)
{
    auto* action = new QAction(ThemeIcon(iconName), text, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        // Shortcuts work wherever the focus is in the window, also while the
        // bar that shows the command is hidden.
        addAction(action);
    }
    action->setProperty("polluxCategory", category);
    return action;
}

void TMain::CreateActions()
{
    EnsureIconTheme();
    const QString file = QStringLiteral("File");
    const QString standard = QStringLiteral("Standard");

    dxBarButton1 = MakeAction("dxBarButton1", QStringLiteral("&Query"), QStringLiteral("system-run"), {}, standard);
    dxBarButton1->setIconText(QStringLiteral("Execute"));
    dxBarButton13 = MakeAction("dxBarButton13", QStringLiteral("&Refresh Query"), QStringLiteral("view-refresh"), {}, standard);
    dxBarButton34 = MakeAction("dxBarButton34", QStringLiteral("Ca&ncel Query"), QStringLiteral("process-stop"), {}, standard);
    WebPage = MakeAction("WebPage", QStringLiteral("&Visit Web Page"), QStringLiteral("internet-web-browser|web-browser|applications-internet"), {}, standard);

    OpenButton = MakeAction("OpenButton", QStringLiteral("&Import Text File..."), QStringLiteral("document-open"),
                            QKeySequence(Qt::CTRL | Qt::Key_O), file);
    OpenButton->setIconText(QStringLiteral("Open..."));
    SaveText = MakeAction("SaveText", QStringLiteral("Save as &Text"), QString(), QKeySequence(Qt::CTRL | Qt::Key_S), file);
    SaveRTF = MakeAction("SaveRTF", QStringLiteral("Save as &RTF"), QString(), {}, file);
    SaveHTML = MakeAction("SaveHTML", QStringLiteral("Save as &HTML"), QString(), {}, file);
    dxBarButton20 = MakeAction("dxBarButton20", QStringLiteral("Save A&ll"), QStringLiteral("document-save"), {}, file);
    dxBarButton21 = MakeAction("dxBarButton21", QStringLiteral("&Close"), QStringLiteral("window-close"),
                               QKeySequence(Qt::CTRL | Qt::Key_F4), file);
    dxBarButton22 = MakeAction("dxBarButton22", QStringLiteral("Cl&ose All"), QString(),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F4), file);
    dxBarButton5 = MakeAction("dxBarButton5", QStringLiteral("&Print..."), QStringLiteral("document-print"),
                              QKeySequence(Qt::CTRL | Qt::Key_P), file);
    ExitButton = MakeAction("ExitButton", QStringLiteral("E&xit"), QStringLiteral("application-exit"), {}, file);

    const QString edit = QStringLiteral("Edit");
    CopyButton = MakeAction("CopyButton", QStringLiteral("&Copy"), QStringLiteral("edit-copy"), QKeySequence(Qt::CTRL | Qt::Key_C), edit);
    dxBarButton8 = MakeAction("dxBarButton8", QStringLiteral("Clea&r"), QStringLiteral("edit-clear"), {}, edit);
    dxBarButton9 = MakeAction("dxBarButton9", QStringLiteral("&Select All"), QStringLiteral("edit-select-all"),
                              QKeySequence(Qt::CTRL | Qt::Key_A), edit);

    const QString search = QStringLiteral("Search");
    dxBarButton10 = MakeAction("dxBarButton10", QStringLiteral("&Find"), QStringLiteral("edit-find"), QKeySequence(Qt::CTRL | Qt::Key_F), search);
    dxBarButton11 = MakeAction("dxBarButton11", QStringLiteral("Find &Again"), QStringLiteral("edit-find-replace"), QKeySequence(Qt::Key_F3), search);
    dxBarButton12 = MakeAction("dxBarButton12", QStringLiteral("&Goto Line Number"), QStringLiteral("go-jump"),
                               QKeySequence(Qt::CTRL | Qt::Key_G), search);

    const QString view = QStringLiteral("View");
    StatusBarButton = MakeAction("StatusBarButton", QStringLiteral("&Status Bar"), QString(), {}, view);
    StatusBarButton->setCheckable(true);
    StatusBarButton->setChecked(true);
    ViewPanelButton = MakeAction("ViewPanelButton", QStringLiteral("&Show View Panel"), QString(), {}, view);
    ViewPanelButton->setCheckable(true);
    ViewPanelButton->setChecked(true);
    dxBarButton29 = MakeAction("dxBarButton29", QStringLiteral("&Next Document"), QStringLiteral("go-next"),
                               QKeySequence(Qt::CTRL | Qt::Key_Tab), view);
    dxBarButton30 = MakeAction("dxBarButton30", QStringLiteral("&Previous Document"), QStringLiteral("go-previous"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), view);
    // Ctrl+Shift+Tab arrives as Backtab on some platforms and as Tab on others.
    dxBarButton30->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)});

    const QString options = QStringLiteral("Options");
    ServerConsoleButton = MakeAction("ServerConsoleButton", QStringLiteral("&Server Console..."), QStringLiteral("utilities-terminal"), {}, options);
    CustomiseButton = MakeAction("CustomiseButton", QStringLiteral("&Customise Toolbars..."), QString(), {}, options);
    LockToolbarsButton = MakeAction("LockToolbarsButton", QStringLiteral("&Lock Toolbars"), QString(), {}, options);
    LockToolbarsButton->setCheckable(true);
    ResetToolbarButton = MakeAction("ResetToolbarButton", QStringLiteral("&Reset Toolbar.."), QString(), {}, options);
    OptionsButton = MakeAction("OptionsButton", QStringLiteral("&Options"), QStringLiteral("preferences-system"),
                               QKeySequence(Qt::Key_F8), options);

    const QString help = QStringLiteral("Help");
    HelpIndexButton = MakeAction("HelpIndexButton", QStringLiteral("&Help Index"), QStringLiteral("help-contents"), {}, help);
    TutorialButton = MakeAction("TutorialButton", QStringLiteral("&Pollux Tutorial"), QStringLiteral("help-browser"), {}, help);
    UpdateButton = MakeAction("UpdateButton", QStringLiteral("&Update Pollux"), QStringLiteral("system-software-update"), {}, help);
    OnlineSupportButton = MakeAction("OnlineSupportButton", QStringLiteral("&Online Support"), QStringLiteral("help-faq|internet-web-browser|web-browser|applications-internet"), {}, help);
    AboutButton = MakeAction("AboutButton", QStringLiteral("&About Pollux..."), QStringLiteral("help-about"), {}, help);

    const QString tray = QStringLiteral("SysTray");
    RestoreButton = MakeAction("RestoreButton", QStringLiteral("&Restore"), QString(), {}, tray);
    MinimiseButton = MakeAction("MinimiseButton", QStringLiteral("M&inimise"), QString(), {}, tray);

    // The drop-downs: favourites, and the three save kinds.
    FavouritesMenu = new QMenu(QStringLiteral("&Servers"), this);
    FavouritesMenu->setObjectName(QStringLiteral("FavouritesMenu"));
    ServersButton = FavouritesMenu->menuAction();
    ServersButton->setObjectName(QStringLiteral("ServersButton"));
    ServersButton->setIcon(ThemeIcon(QStringLiteral("network-server")));
    ServersButton->setProperty("polluxCategory", file);

    auto* saveMenu = new QMenu(QStringLiteral("&Save As"), this);
    saveMenu->addAction(SaveText);
    saveMenu->addAction(SaveRTF);
    saveMenu->addAction(SaveHTML);
    SaveButton = saveMenu->menuAction();
    SaveButton->setObjectName(QStringLiteral("SaveButton"));
    SaveButton->setIcon(ThemeIcon(QStringLiteral("document-save-as")));
    SaveButton->setProperty("polluxCategory", file);

    // What later releases build stands disabled rather than pretending.
    for (QAction* later : {ServerConsoleButton, HelpIndexButton, TutorialButton, OnlineSupportButton, AboutButton}) {
        later->setEnabled(false);
        later->setProperty("polluxUnavailable", true);
    }
    // Disabled until a reply has come (or a query runs).
    for (QAction* a : {SaveButton, dxBarButton20, dxBarButton5, dxBarButton13, dxBarButton34, WebPage, dxBarButton21, dxBarButton22, CopyButton, dxBarButton8,
                       dxBarButton9, dxBarButton10, dxBarButton11, dxBarButton12, dxBarButton29, dxBarButton30})
        a->setEnabled(false);

    auto on = [this](QAction* action, void (TMain::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { Guarded(nullptr, [&] { (this->*handler)(); }); });
    };
    on(dxBarButton1, &TMain::dxBarButton1Click);
    on(dxBarButton13, &TMain::dxBarButton13Click);
    on(dxBarButton34, &TMain::dxBarButton34Click);
    on(WebPage, &TMain::WebPageClick);
    on(dxBarButton21, &TMain::CloseClick);
    on(dxBarButton22, &TMain::CloseAllClick);
    on(ExitButton, &TMain::ExitClick);
    on(CopyButton, &TMain::CopyClick);
    on(dxBarButton8, &TMain::ClearClick);
    on(dxBarButton9, &TMain::SelectAllClick);
    on(dxBarButton10, &TMain::FindClick);
    on(dxBarButton11, &TMain::FindAgainClick);
    on(dxBarButton12, &TMain::GotoLineClick);
    on(StatusBarButton, &TMain::StatusBarClick);
    on(ViewPanelButton, &TMain::ViewPanelClick);
    on(dxBarButton29, &TMain::NextDocumentClick);
    on(dxBarButton30, &TMain::PreviousDocumentClick);
    on(LockToolbarsButton, &TMain::LockToolbarsClick);
    on(CustomiseButton, &TMain::CustomiseToolbarsClick);
    on(ResetToolbarButton, &TMain::ResetQueryToolBar);
    on(OptionsButton, &TMain::OptionsClick);
    on(OpenButton, &TMain::OpenButtonClick);
    on(SaveText, &TMain::SaveTextClick);
    on(SaveRTF, &TMain::SaveRTFClick);
    on(SaveHTML, &TMain::SaveHTMLClick);
    on(dxBarButton20, &TMain::SaveAllClick);
    on(dxBarButton5, &TMain::PrintClick);
    on(RestoreButton, &TMain::RestoreClick);
    on(MinimiseButton, &TMain::MinimiseClick);
    on(UpdateButton, &TMain::UpdateButtonClick);
}

void TMain::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("dxBarManager1Bar1"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    file->addAction(dxBarButton1);
    file->addAction(dxBarButton13);
    file->addAction(dxBarButton34);
    file->addAction(WebPage);
    file->addMenu(FavouritesMenu);
    file->addSeparator();
    file->addAction(OpenButton);
    file->addSeparator();
    file->addAction(SaveButton);
    file->addAction(dxBarButton20);
    file->addSeparator();
    file->addAction(dxBarButton21);
    file->addAction(dxBarButton22);
    file->addSeparator();
    file->addAction(dxBarButton5);
    file->addSeparator();
    file->addAction(ExitButton);

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    edit->addAction(CopyButton);
    edit->addAction(dxBarButton8);
    edit->addSeparator();
    edit->addAction(dxBarButton9);

    QMenu* search = bar->addMenu(QStringLiteral("&Search"));
    search->setObjectName(QStringLiteral("SearchMenu"));
    search->addAction(dxBarButton10);
    search->addAction(dxBarButton11);
    search->addSeparator();
    search->addAction(dxBarButton12);

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("ViewMenu"));
    view->addAction(StatusBarButton);
    view->addAction(ViewPanelButton);
    view->addSeparator();
    view->addAction(dxBarButton29);
    view->addAction(dxBarButton30);

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("OptionsMenu"));
    options->addAction(ServerConsoleButton);
    options->addAction(CustomiseButton);
    options->addAction(LockToolbarsButton);
    options->addAction(ResetToolbarButton);
    options->addSeparator();
    options->addAction(OptionsButton);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    help->addAction(HelpIndexButton);
    help->addAction(TutorialButton);
    help->addSeparator();
    help->addAction(UpdateButton);
    help->addAction(OnlineSupportButton);
    help->addSeparator();
    help->addAction(AboutButton);

    for (QMenu* menu : {file, edit, search, view, options, help})
        menu->menuAction()->setProperty("polluxCategory", QStringLiteral("MainMenu"));

    // The result views' context menu.
    dxPopupMenu1 = new QMenu(this);
    dxPopupMenu1->setObjectName(QStringLiteral("dxPopupMenu1"));
    auto* queryMenu = dxPopupMenu1->addMenu(ThemeIcon(QStringLiteral("system-run")), QStringLiteral("&Query"));
    queryMenu->addAction(dxBarButton1);
    queryMenu->addAction(dxBarButton13);
    queryMenu->addAction(dxBarButton34);
    queryMenu->addSeparator();
    queryMenu->addAction(WebPage);
    dxPopupMenu1->addMenu(FavouritesMenu);
    auto* open = dxPopupMenu1->addAction(OpenButton->icon(), QStringLiteral("&Open..."));
    open->setEnabled(OpenButton->isEnabled());
    connect(OpenButton, &QAction::enabledChanged, open, &QAction::setEnabled);
    connect(open, &QAction::triggered, OpenButton, &QAction::trigger);
    dxPopupMenu1->addSeparator();
    dxPopupMenu1->addAction(CopyButton);
    dxPopupMenu1->addAction(dxBarButton8);
    dxPopupMenu1->addAction(dxBarButton9);
    dxPopupMenu1->addSeparator();
    dxPopupMenu1->addAction(SaveButton);
    dxPopupMenu1->addAction(dxBarButton5);
}

void TMain::AddCommand(QToolBar* bar, QAction* action)
{
    bar->addAction(action);
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
    if (!button)
        return;
    if (action == dxBarButton1) {
        // The Query button runs the query and carries its drop-down.
        auto* dropDown = findChild<QMenu*>(QStringLiteral("QueryDropDown"), Qt::FindDirectChildrenOnly);
        if (!dropDown) {
            dropDown = new QMenu(this);
            dropDown->setObjectName(QStringLiteral("QueryDropDown"));
            dropDown->addAction(dxBarButton13);
            dropDown->addAction(dxBarButton34);
            dropDown->addSeparator();
            dropDown->addAction(WebPage);
        }
        button->setMenu(dropDown);
        button->setPopupMode(QToolButton::MenuButtonPopup);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    } else if (action->menu()) {
        button->setPopupMode(QToolButton::InstantPopup);
    }
}

void TMain::CreateToolBars()
{
    auto makeBar = [this](const char* name, const QString& title) {
        QToolBar* bar = addToolBar(title);
        bar->setObjectName(QString::fromLatin1(name));
        bar->setIconSize(QSize(16, 16));
        return bar;
    };
    QueryBar = makeBar("dxBarManager1Bar2", QStringLiteral("Query"));
    EditBar = makeBar("dxBarManager1Bar3", QStringLiteral("Edit"));
    FileBar = makeBar("dxBarManager1Bar4", QStringLiteral("File"));
    ViewBar = makeBar("dxBarManager1Bar5", QStringLiteral("View"));
    HelpBar = makeBar("dxBarManager1Bar6", QStringLiteral("Help"));

    QueryComboBox = new QComboBox;
    QueryComboBox->setObjectName(QStringLiteral("QueryComboBox"));
    QueryComboBox->setEditable(true);
    QueryComboBox->setFixedWidth(247);
    // The list shows the stored history; it grows only when it is reloaded.
    QueryComboBox->setInsertPolicy(QComboBox::NoInsert);
    QueryComboBox->setMaxVisibleItems(20);
    QueryComboBox->lineEdit()->setPlaceholderText(QStringLiteral("user@host"));
    QueryComboBox->setToolTip(QStringLiteral("Query expression: user@host, @host or host (a port after a colon)"));
    // Offer history matches in a list rather than completing in place, so
    // Enter always runs exactly the text the user sees.
    QueryComboBox->completer()->setCompletionMode(QCompleter::PopupCompletion);
    QueryComboBox->completer()->setCaseSensitivity(Qt::CaseSensitive);
    QueryBoxAction = new QWidgetAction(this);
    QueryBoxAction->setObjectName(QStringLiteral("QueryComboBoxItem"));
    QueryBoxAction->setText(QStringLiteral("Query box"));
    QueryBoxAction->setDefaultWidget(QueryComboBox);
    // Enter is taken where it arrives: the combo box would hand it to its
    // line edit a second time. The key reaches the combo box (its focus widget) or, sent to it
    // directly, the line edit; each is watched.
    auto* enterFilter = new EnterKeyFilter(QueryComboBox, [this] { Guarded(this, [&] { QueryComboBoxKeyDown(); }); });
    QueryComboBox->installEventFilter(enterFilter);
    QueryComboBox->lineEdit()->installEventFilter(enterFilter);
    connect(QueryComboBox, &QComboBox::editTextChanged, this,
            [this] { Guarded(this, [&] { QueryComboBoxChange(); }); });

    ResetQueryToolBar();

    for (QAction* a : {CopyButton, dxBarButton8, dxBarButton9})
        AddCommand(EditBar, a);
    for (QAction* a : {ServersButton, OpenButton, SaveButton, dxBarButton5})
        AddCommand(FileBar, a);
    for (QAction* a : {dxBarButton29, dxBarButton30})
        AddCommand(ViewBar, a);
    for (QAction* a : {HelpIndexButton, TutorialButton, UpdateButton})
        AddCommand(HelpBar, a);
    ViewBar->hide();
    HelpBar->hide();
}

void TMain::ResetQueryToolBar()
{
    for (QAction* a : QueryBar->actions())
        QueryBar->removeAction(a);
    QueryBar->addAction(QueryBoxAction);
    AddCommand(QueryBar, dxBarButton1);
    AddCommand(QueryBar, dxBarButton34);
    ApplyToolbarLock(LockToolbarsButton->isChecked());
}

QList<QToolBar*> TMain::ToolBars() const
{
    QList<QToolBar*> bars{QueryBar, EditBar, FileBar, ViewBar, HelpBar};
    for (QToolBar* bar : userBars_)
        if (bar)
            bars << bar;
    return bars;
}

QToolBar* TMain::AddUserToolBar(const QString& title)
{
    QToolBar* bar = addToolBar(title);
    bar->setObjectName(QStringLiteral("UserBar%1").arg(userBars_.size() + 1));
    bar->setIconSize(QSize(16, 16));
    userBars_ << bar;
    ApplyToolbarLock(LockToolbarsButton->isChecked());
    return bar;
}

void TMain::ApplyToolbarLock(bool locked)
{
    for (QToolBar* bar : ToolBars()) {
        if (locked && bar->isFloating())
            addToolBar(Qt::TopToolBarArea, bar); // a locked bar has no floating place
        bar->setMovable(!locked);
        bar->setFloatable(!locked);
        bar->setAllowedAreas(locked ? Qt::NoToolBarArea : Qt::AllToolBarAreas);
    }
}

void TMain::LockToolbarsClick()
{
    ApplyToolbarLock(LockToolbarsButton->isChecked());
}

void TMain::CustomiseToolbarsClick()
{
    QList<ToolbarCommand> commands;
    QList<QAction*> all;
    for (QMenu* menu : menuBar()->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
        all << menu->menuAction();
    all << dxBarButton1 << dxBarButton13 << dxBarButton34 << WebPage << ServersButton << OpenButton
        << SaveButton << SaveText << SaveRTF << SaveHTML << dxBarButton20 << dxBarButton21 << dxBarButton22
        << dxBarButton5 << ExitButton << CopyButton << dxBarButton8 << dxBarButton9 << dxBarButton10
        << dxBarButton11 << dxBarButton12 << StatusBarButton << ViewPanelButton << dxBarButton29
        << dxBarButton30 << ServerConsoleButton << CustomiseButton << LockToolbarsButton << ResetToolbarButton
        << OptionsButton << HelpIndexButton << TutorialButton << UpdateButton << OnlineSupportButton << AboutButton;
    for (QAction* a : all)
        commands.append({a, a->property("polluxCategory").toString()});

    TCustomiseToolbars dialog(
        commands,
        {QStringLiteral("MainMenu"), QStringLiteral("File"), QStringLiteral("Edit"), QStringLiteral("Search"),
         QStringLiteral("View"), QStringLiteral("Options"), QStringLiteral("Help"), QStringLiteral("Standard")},
        [this] { return ToolBars(); }, [this](QToolBar* bar, QAction* a) { AddCommand(bar, a); },
        [this](const QString& title) { return AddUserToolBar(title); }, this);
    dialog.exec();
}

void TMain::CreateCentralArea()
{
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(7);
    Splitter1->setOpaqueResize(true);
    Splitter1->setChildrenCollapsible(true);

    // The side panel; its items come with the web pages.
    SidePanel = new QFrame(Splitter1);
    SidePanel->setObjectName(QStringLiteral("dxSideBar1"));
    SidePanel->setAutoFillBackground(true);
    QPalette sidePalette = SidePanel->palette();
    sidePalette.setColor(QPalette::Window, sidePalette.color(QPalette::Dark));
    sidePalette.setColor(QPalette::WindowText, Qt::white);
    sidePalette.setColor(QPalette::ButtonText, Qt::white);
    SidePanel->setPalette(sidePalette);
    auto* sideLayout = new QVBoxLayout(SidePanel);
    sideLayout->setContentsMargins(4, 6, 4, 6);
    auto* viewGroup = new QLabel(QStringLiteral("View"), SidePanel);
    QFont groupFont = viewGroup->font();
    groupFont.setBold(true);
    viewGroup->setFont(groupFont);
    sideLayout->addWidget(viewGroup);
    auto* queryPage = new QToolButton(SidePanel);
    queryPage->setObjectName(QStringLiteral("QueryPageItem"));
    queryPage->setText(QStringLiteral("Query Page"));
    queryPage->setToolTip(QStringLiteral("Display the main Query page"));
    queryPage->setIcon(ThemeIcon(QStringLiteral("system-run")));
    queryPage->setIconSize(QSize(32, 32));
    queryPage->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    queryPage->setAutoRaise(true);
    sideLayout->addWidget(queryPage, 0, Qt::AlignHCenter);
    sideLayout->addStretch(1);
    connect(queryPage, &QToolButton::clicked, this,
            [this] { Guarded(nullptr, [&] { ContentPanels->setCurrentWidget(ResultsPanel); }); });

    ContentPanels = new QStackedWidget(Splitter1);
    ContentPanels->setObjectName(QStringLiteral("ContentPanels"));
    ResultsPanel = new QWidget;
    ResultsPanel->setObjectName(QStringLiteral("ResultsPanel"));
    auto* resultsLayout = new QVBoxLayout(ResultsPanel);
    resultsLayout->setContentsMargins(0, 0, 0, 0);
    resultsLayout->setSpacing(0);
    PageControl1 = new QTabWidget(ResultsPanel);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setMovable(false);
    PageControl1->setUsesScrollButtons(true);
    PageControl1->setDocumentMode(true);
    resultsLayout->addWidget(PageControl1, 1);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        Guarded(this, [&] {
            UpdateCopyState();
            if (programmaticTabChange_ == 0)
                PageControl1Change();
        });
    });

    WebPagePanel = new QWidget;
    WebPagePanel->setObjectName(QStringLiteral("WebPagePanel"));
    ContentPanels->addWidget(ResultsPanel);
    ContentPanels->addWidget(WebPagePanel);
    ContentPanels->setCurrentWidget(ResultsPanel);

    Splitter1->addWidget(SidePanel);
    Splitter1->addWidget(ContentPanels);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setCollapsible(1, false);
    Splitter1->setSizes({101, 740});
    setCentralWidget(Splitter1);
}
