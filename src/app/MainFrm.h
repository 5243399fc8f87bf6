#pragma once
// The main window: bars, result tabs, the status bar, the tray icon, and
// the road of one finger query from the query box to its result tab.
//
// A query is one synchronous call (ExecuteFingerQuery) that lets the event
// loop run while it waits. Everything that can start a query while another
// waits goes through RunQueryJob, which queues it behind the running one;
// tabs and the window itself may vanish during the wait, so nothing here
// keeps a raw pointer to a tab or view across a turn of the event loop.

#include "core/Errors.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QIODevice;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class QToolBar;
class QWidgetAction;
class QWindow;
class TDCMemo;
class THTMLParser;
class TSideBar;
class IPolluxWebView;
class TmsClientSocket;

// The running program's version ("2.0.0.327"); empty until the start-up
// has read it from the program file.
QString ProgramVersion();

class TMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TMain(QWidget* parent = nullptr);
    ~TMain() override;

    // ---- used by the command line and the repeat timer
    QComboBox* QueryComboBox = nullptr; // editable, the query box
    QTimer* Timer1 = nullptr;           // the repeat timer, designed disabled, not single-shot
    bool Unattended = false;            // "/q": message boxes go to stderr, no modal windows

    void ExecuteFingerQuery(const QString& Expression, bool PrintResult, bool SaveResult,
                            bool ReplaceText, const QString& SaveFileName);
    // A finger link opened from outside (the desktop, a second Pollux): the
    // window comes to the front and the link runs as the query box's query.
    void OpenLink(const QString& expression);
    // True while a query (or a queued query job) is running or waiting to run.
    bool QueryInProgress() const;
    // Runs `job` now if no query is in progress, else queues it to run after,
    // in order. A job run now lets its failure go to the caller; a queued
    // job's failure is reported for `sender` (nullptr: no window).
    void RunQueryJob(std::function<void()> job);
    void RunQueryJob(QObject* sender, std::function<void()> job);
    void WriteActivity(const QString& text);                       // status panel 0
    void ShowMessage(QMessageBox::Icon kind, const QString& text); // stderr when Unattended

    // in MainCommandLine.cpp
    void CheckCommandLine();
    void RunRepeatedQueries();
    void Timer1Timer();

    // ---- components
    TmsClientSocket* msClientSocket1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QStatusBar* dxStatusBar1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* SidePanel = nullptr;            // the side bar (dxSideBar1)
    TSideBar* dxSideBar1 = nullptr;
    QStackedWidget* ContentPanels = nullptr; // results panel and web page panel
    QWidget* ResultsPanel = nullptr;
    QWidget* WebPagePanel = nullptr;
    // The web view, created on the first web item chosen; the address it
    // was last asked to show.
    IPolluxWebView* WebBrowser1 = nullptr;
    QUrl WebBrowserUrl;
    QSystemTrayIcon* TrayIcon = nullptr;
    QMenu* dxPopupMenu1 = nullptr;   // the result views' context menu
    QMenu* FavouritesMenu = nullptr; // drop-down of "&Servers"

    // Bars by position: 0 is the menu bar, 1..5 the toolbars.
    QToolBar* QueryBar = nullptr;
    QToolBar* EditBar = nullptr;
    QToolBar* FileBar = nullptr;
    QToolBar* ViewBar = nullptr;
    QToolBar* HelpBar = nullptr;
    QList<QToolBar*> ToolBars() const; // the designed five and any the user added
    QToolBar* AddUserToolBar(const QString& title);

    // ---- commands
    QAction* dxBarButton1 = nullptr;  // &Query (Execute)
    QAction* dxBarButton13 = nullptr; // &Refresh Query
    QAction* dxBarButton34 = nullptr; // Ca&ncel Query
    QAction* WebPage = nullptr;       // &Visit Web Page
    QAction* ServersButton = nullptr;
    QAction* OpenButton = nullptr;
    QAction* SaveButton = nullptr;
    QAction* SaveText = nullptr;
    QAction* SaveRTF = nullptr;
    QAction* SaveHTML = nullptr;
    QAction* dxBarButton20 = nullptr; // Save A&ll
    QAction* dxBarButton21 = nullptr; // &Close
    QAction* dxBarButton22 = nullptr; // Cl&ose All
    QAction* dxBarButton5 = nullptr;  // &Print...
    QAction* ExitButton = nullptr;
    QAction* CopyButton = nullptr;
    QAction* dxBarButton8 = nullptr;  // Clea&r
    QAction* dxBarButton9 = nullptr;  // &Select All
    QAction* dxBarButton10 = nullptr; // &Find
    QAction* dxBarButton11 = nullptr; // Find &Again
    QAction* dxBarButton12 = nullptr; // &Goto Line Number
    QAction* StatusBarButton = nullptr;
    QAction* ViewPanelButton = nullptr;
    QAction* dxBarButton29 = nullptr; // &Next Document
    QAction* dxBarButton30 = nullptr; // &Previous Document
    QAction* ServerConsoleButton = nullptr;
    QAction* CustomiseButton = nullptr;
    QAction* LockToolbarsButton = nullptr;
    QAction* ResetToolbarButton = nullptr;
    QAction* OptionsButton = nullptr;
    QAction* HelpIndexButton = nullptr;
    QAction* TutorialButton = nullptr;
    QAction* UpdateButton = nullptr;
    QAction* OnlineSupportButton = nullptr;
    QAction* AboutButton = nullptr;
    QAction* RestoreButton = nullptr;  // tray
    QAction* MinimiseButton = nullptr; // tray

    // ---- result tabs
    // Index of the last tab captioned with the expression's tab key, or -1.
    int FindResultTab(const QString& expression) const;
    TDCMemo* ViewOfTab(int index) const;
    TDCMemo* ActiveView() const; // nullptr when no tab is open

    // ---- query execution
    void SetControlStatus(bool Value);
    void SaveQueryText();
    void LoadQueryText();

    // ---- bars and views
    bool LockToolBars();
    void DeleteToolbarSettings();
    // Appends the web-document image to the side bar; its index, or -1.
    int AddDocumentIcon();

    // ---- side panel, web view, help and companion programs (MainWeb.cpp)
    void SideBarItemClick(const QString& caption);
    void OpenInWebView(const QUrl& url);
    void ShowBrowserStatus(const QString& text);
    void HelpIndexClick();
    void TutorialClick();
    void OnlineSupportClick();
    void ServerConsoleClick();
    void AboutClick();
    void ApplyToolbarLock(bool locked);
    void ResetQueryToolBar();

    QLabel* StatusPanel(int index) const;

    // ---- favourites and options (src/options)
    // Builds the favourites menu of "&Servers" from Configuration\Servers:
    // one command a favourite, then a separator and "Clear Favorite Sevrer
    // List"; empty when the key is missing. Rebuild false is the first
    // build at start-up; either way the menu is emptied first.
    void LoadFavQueryServers(bool Rebuild);
    void FavQueryServerClick(QAction* Sender);
    void OptionsClick();
    // Whether the tray icon answers the mouse and minimising goes to it.
    void SetTrayIconActive(bool active);
    bool TrayIconActive() const { return trayIconActive_; }

    // Opens a web address with the desktop; tests replace it.
    using UrlOpener = std::function<bool(const QUrl&)>;
    static void SetUrlOpener(UrlOpener opener);

    // What a file dialog of Save As, Save All or Import is asked to show.
    struct FileDialogRequest {
        bool save = true;
        QString title;
        QStringList filters;
        QString directory;
        QString fileName; // offered
    };
    // Answers a file dialog in place of the user (the chosen path, or empty
    // for Cancel); tests set it. An empty function restores the dialogs.
    using FileDialogAnswer = std::function<QString(const FileDialogRequest&)>;
    static void SetFileDialogAnswer(FileDialogAnswer answer);

    // Command handlers (each runs guarded from its action).
    void dxBarButton1Click();  // Query
    void dxBarButton13Click(); // Refresh Query
    void dxBarButton34Click(); // Cancel Query
    void WebPageClick();
    void QueryComboBoxKeyDown(); // Enter in the query box
    void QueryComboBoxChange();
    void NextDocumentClick();
    void PreviousDocumentClick();
    void CloseClick();
    void CloseAllClick();
    void CopyClick();
    void ClearClick();
    void SelectAllClick();
    void FindClick();
    void FindAgainClick();
    void GotoLineClick();
    void PageControl1Change();
    void ExitClick();
    void StatusBarClick();
    void ViewPanelClick();
    void LockToolbarsClick();
    void CustomiseToolbarsClick();
    void RestoreClick();
    void MinimiseClick();
    void UpdateButtonClick(); // in MainUpdate.cpp

    // Saving, importing and printing (MainSave.cpp).
    void SaveResultAs(const QString& Kind); // "TXT", "RTF" or "HTML"
    void SaveTextClick();
    void SaveRTFClick();
    void SaveHTMLClick();
    void SaveAllClick();
    void OpenButtonClick();
    void PrintClick();

signals:
    // Every text written into the activity panel, in order.
    void ActivityChanged(const QString& text);

public slots:
    void ViewStateChanged(TDCMemo* Sender, int State);
    void DCMemoSelectionChange(TDCMemo* Sender);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The transfer count in the activity panel: shown at most every 100 ms
    // while data comes in, the latest count shown once the wait is over
    // and always before the reception ends (MainQuery.cpp).
    void ShowTransferText(const QString& text);
    void FlushTransferText();
    QString pendingTransfer_;
    QElapsedTimer transferShown_;
    QTimer* transferTimer_ = nullptr;

    // Building the window (MainBars.cpp).
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateCentralArea();
    void CreateStatusBar();
    void CreateTrayIcon();
    void CreateSidePanel();
    void ConnectShellCommands();
    void ReleaseWebView();
    QAction* MakeAction(const char* name, const QString& text, const QString& iconName,
                        const QKeySequence& shortcut, const QString& category);
    void AddCommand(QToolBar* bar, QAction* action);
    void UpdateKeyboardState();

    // Start-up and shut-down (MainFrm.cpp).
    void RunStartUp();
    void RestorePositions();
    void ShowWelcomeScreen(bool firstRun);
    void RunShutDown();
    void FocusWindowChanged(QWindow* now);
    void RunActivation();
    void StoreToolbarLayout();
    void LoadToolbarLayout();

    // Query machinery (MainQuery.cpp).
    void ConnectSocketEvents();
    void QueryCommand(const QString& text);
    void RefreshCommand(const QString& text);
    void DrainQueryJobs();
    void ScheduleDrain();
    void EndQueryWork();
    void LoadReply(TDCMemo& view, QByteArray reply, bool replaceText);

    // Saving and importing (MainSave.cpp).
    QString AskFileName(const FileDialogRequest& request);
    QString AskSaveFileName(const QString& title, const QString& filter, const QString& caption);
    bool ConfirmReplace(const QString& path);
    void RunQueryFile(QIODevice& file);

    // Tabs (MainTabs.cpp).
    void SetActiveTab(int index);  // a change made by the program: no sound
    void DestroyTab(int index);
    void UpdateCopyState();
    void ShowCaretPosition(const TDCMemo* view); // status panel 1

    struct QueryJob {
        QPointer<QObject> sender;
        bool hadSender = false;
        std::function<void()> job;
    };
    std::deque<QueryJob> jobs_;
    std::vector<EPollux> settingProblems_; // met by the running query, reported when it ends
    int workDepth_ = 0;        // query jobs and ExecuteFingerQuery calls running
    bool executing_ = false;   // an ExecuteFingerQuery call is waiting
    bool cancelRequested_ = false;
    bool drainScheduled_ = false;
    bool closeRequested_ = false; // the window was asked to close during a query
    bool exitRequested_ = false;
    bool closing_ = false;        // the shut-down steps have run
    int programmaticTabChange_ = 0;
    bool overwriteMode_ = false;
    bool activatedOnce_ = false;
    bool otherWindowWasActive_ = false;  // a dialog or report of ours had the focus
    bool skipNextActivationQuery_ = false;
    bool trayIconActive_ = true;
    bool updateRunning_ = false;  // an update check waits for the vendor's server

    std::unique_ptr<THTMLParser> HTMLParser1;
    QWidgetAction* QueryBoxAction = nullptr;
    QList<QToolBar*> userBars_;
    QLabel* panels_[5] = {};
    QLabel* capsLabel_ = nullptr;
    QLabel* numLabel_ = nullptr;
    QLabel* scrollLabel_ = nullptr;
    QLabel* insLabel_ = nullptr;

    friend class TMainTestAccess;
};
