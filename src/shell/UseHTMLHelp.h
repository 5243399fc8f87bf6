#pragma once
// The help router: every help request of the program (F1 anywhere, or a
// window that asks for a topic) goes to the shipped HTML help, shown in the
// user's web browser. Installed before the main window exists and released
// when the program ends.

#include <QObject>
#include <QString>
#include <QUrl>

// The classic help requests a window can make.
enum : int {
    HELP_CONTEXT = 0x0001,
    HELP_QUIT = 0x0002,
    HELP_CONTEXTPOPUP = 0x0008,
    HELP_FINDER = 0x000B,
    HELP_KEY = 0x0101,
};

// The application's help file, set by the main window's start-up; until
// then the shipped help index.
QString ApplicationHelpFile();
void SetApplicationHelpFile(const QString& path);

class TUseHTMLHelp : public QObject {
    Q_OBJECT
public:
    explicit TUseHTMLHelp(QObject* parent = nullptr);
    ~TUseHTMLHelp() override;

    // What the viewer is asked to show for a request: the help file at a
    // context or keyword anchor, or its default topic; an empty address for
    // a request that shows nothing (HELP_QUIT: the browser is the user's
    // to close).
    static QUrl HelpTarget(int command, const QString& data);

    // Handles a request; always reports it handled, so no other help runs.
    bool HtmlHelpRouter(int command, const QString& data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The one router of the program, or nullptr before it is installed.
TUseHTMLHelp* HtmlHelpRouterInstance();
