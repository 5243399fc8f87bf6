// The side panel and the web page panel, and the commands that hand work to
// other programs: the help pages, the tutorial, online support, the server
// console and the About box.

#include "app/MainFrm.h"

#include "core/Addresses.h"
#include "core/Guard.h"
#include "core/Paths.h"
#include "settings/DebugLog.h"
#include "shell/AboutFrm.h"
#include "shell/Launch.h"
#include "shell/WebViewHost.h"
#include "ui/SideBar.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QString kQueryPage = QStringLiteral("Query Page");
const QString kPolluxNews = QStringLiteral("Pollux News");
const QString kMarlwickNews = QStringLiteral("Marlwick News");
const QString kPolluxSupport = QStringLiteral("Pollux Support");
const QString kRfcDocumentation = QStringLiteral("RFC Finger Documentation");
const QString kFingerGateway = QStringLiteral("WWW-Finger Gateway");

QIcon ShippedImage(const QString& name)
{
    return QIcon(QStringLiteral(":/pollux/icons/") + name + QStringLiteral(".svg"));
}

QUrl HelpPage(const QString& relative)
{
    return QUrl::fromLocalFile(DataDir() + QStringLiteral("/help/") + relative);
}
} // namespace

void TMain::CreateSidePanel()
{
    dxSideBar1 = new TSideBar;
    dxSideBar1->setObjectName(QStringLiteral("dxSideBar1"));
    SidePanel = dxSideBar1;
    // The designed images: 0 the news, 1 the query page. The start-up
    // appends the web-document image as 2.
    dxSideBar1->AppendLargeImage(ShippedImage(QStringLiteral("side-news")));
    dxSideBar1->AppendLargeImage(ShippedImage(QStringLiteral("side-query")));

    const int view = dxSideBar1->AddGroup(QStringLiteral("View"));
    dxSideBar1->AddItem(view, kQueryPage, QStringLiteral("Display the main Query page"), 1);
    dxSideBar1->AddItem(view, kPolluxNews, QStringLiteral("Display the latest news about Pollux"), 0);
    dxSideBar1->AddItem(view, kMarlwickNews, QStringLiteral("display the latest news about Marlwick"), 0);
    const int resources = dxSideBar1->AddGroup(QStringLiteral("Resources"));
    dxSideBar1->AddItem(resources, kPolluxSupport, QStringLiteral("Obtain online support for Pollux"), -1);
    dxSideBar1->AddItem(resources, kRfcDocumentation, QStringLiteral("Obtain information on the finger protocol"), -1);
    dxSideBar1->AddItem(resources, kFingerGateway, QStringLiteral("Use a web based finger gatweay"), -1);
    dxSideBar1->OpenGroup(view);

    connect(dxSideBar1, &TSideBar::ItemClicked, this,
            [this](const QString& caption) { Guarded(this, [&] { SideBarItemClick(caption); }); });
}

void TMain::ConnectShellCommands()
{
    auto on = [this](QAction* action, void (TMain::*handler)()) {
        action->setEnabled(true);
        action->setProperty("polluxUnavailable", QVariant());
        connect(action, &QAction::triggered, this, [this, handler] { Guarded(this, [&] { (this->*handler)(); }); });
    };
    on(HelpIndexButton, &TMain::HelpIndexClick);
    on(TutorialButton, &TMain::TutorialClick);
    on(OnlineSupportButton, &TMain::OnlineSupportClick);
    on(ServerConsoleButton, &TMain::ServerConsoleClick);
    on(AboutButton, &TMain::AboutClick);
}

void TMain::SideBarItemClick(const QString& caption)
{
    if (caption == kQueryPage)
        ContentPanels->setCurrentWidget(ResultsPanel);
    else if (caption == kPolluxNews)
        OpenInWebView(Addresses::NewsPage());
    else if (caption == kMarlwickNews)
        OpenInWebView(Addresses::HomePage());
    else if (caption == kPolluxSupport)
        OpenInWebView(Addresses::SupportPage());
    else if (caption == kRfcDocumentation)
        OpenInWebView(Addresses::RfcPage());
    else if (caption == kFingerGateway)
        OpenInWebView(Addresses::GatewayPage());
}

void TMain::OpenInWebView(const QUrl& url)
{
    if (!WebBrowser1) {
        // One view serves every web item; it, and the web engine with it,
        // is made on the first web page asked for.
        QPointer<TMain> self(this);
        WebBrowser1 = CreateWebView(WebPagePanel, [self](const QString& text) {
            if (self)
                Guarded(self, [&] { self->ShowBrowserStatus(text); });
        });
        WebPagePanel->layout()->addWidget(WebBrowser1->Widget());
    }
    WebBrowserUrl = url;
    WebBrowser1->Navigate(url);
    ContentPanels->setCurrentWidget(WebPagePanel);
}

void TMain::ShowBrowserStatus(const QString& text)
{
    WriteActivity(text.isEmpty() ? QStringLiteral("Done") : text);
}

void TMain::ReleaseWebView()
{
    if (!WebBrowser1)
        return;
    // Deleted at once, so that a page still loading reports no status into
    // a window that is closing.
    QWidget* view = WebBrowser1->Widget();
    WebBrowser1 = nullptr;
    delete view;
}

void TMain::HelpIndexClick()
{
    OpenWithDesktop(HelpPage(QStringLiteral("help.html")));
}

void TMain::TutorialClick()
{
    OpenWithDesktop(HelpPage(QStringLiteral("tutorial/tutindex.htm")));
}

void TMain::OnlineSupportClick()
{
    OpenWithDesktop(Addresses::SupportPage());
}

void TMain::ServerConsoleClick()
{
    // The console is started by its full path, found beside Pollux; a file
    // of that name in the working directory is never run.
    const QString console = CompanionProgramPath(QStringLiteral("pxserver"));
    if (console.isEmpty()) {
        ShowMessage(QMessageBox::Critical,
                    QStringLiteral("Unable to find Pollux Server, make sure that the application is installed."));
        return;
    }
    StartProgram(console, {QStringLiteral("--console")});
}

void TMain::AboutClick()
{
    LogDebug(QStringLiteral(" - Showing About box"));
    TAboutBox box(this);
    box.exec();
}

int TMain::AddDocumentIcon()
{
    LogDebug(QStringLiteral(" - Adding Icons..."));
    // The desktop's own image for a web document; nothing is written to
    // ask for it.
    QIcon image = QIcon::fromTheme(QStringLiteral("text-html"));
    if (image.isNull())
        image = ShippedImage(QStringLiteral("text-html"));
    if (image.isNull())
        return -1;
    return dxSideBar1->AppendLargeImage(image);
}
