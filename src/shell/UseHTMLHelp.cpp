#include "shell/UseHTMLHelp.h"

#include "core/Guard.h"
#include "core/Paths.h"
#include "shell/Launch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QWidget>

namespace {
QString& HelpFileSlot()
{
    static QString file;
    return file;
}

TUseHTMLHelp*& Instance()
{
    static TUseHTMLHelp* router = nullptr;
    return router;
}

// Anchors of the help pages are lower case words joined by "-".
QString Anchor(const QString& keyword)
{
    static const QRegularExpression nonWord(QStringLiteral("[^a-z0-9]+"));
    QString anchor = keyword.toLower().replace(nonWord, QStringLiteral("-"));
    while (anchor.startsWith(QLatin1Char('-')))
        anchor.remove(0, 1);
    while (anchor.endsWith(QLatin1Char('-')))
        anchor.chop(1);
    return anchor;
}

// The help request a widget carries: a context number or a keyword, the
// nearest one up its parents; none gives the default topic.
void RequestFor(const QWidget* widget, int& command, QString& data)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant context = w->property("helpContext");
        if (context.isValid() && context.toInt() > 0) {
            command = HELP_CONTEXT;
            data = QString::number(context.toInt());
            return;
        }
        const QString keyword = w->property("helpKeyword").toString();
        if (!keyword.isEmpty()) {
            command = HELP_KEY;
            data = keyword;
            return;
        }
    }
    command = HELP_FINDER;
    data.clear();
}
} // namespace

QString ApplicationHelpFile()
{
    if (HelpFileSlot().isEmpty())
        return DataDir() + QStringLiteral("/help/help.html");
    return HelpFileSlot();
}

void SetApplicationHelpFile(const QString& path)
{
    HelpFileSlot() = path;
}

TUseHTMLHelp::TUseHTMLHelp(QObject* parent) : QObject(parent)
{
    Instance() = this;
    qApp->installEventFilter(this);
}

TUseHTMLHelp::~TUseHTMLHelp()
{
    if (Instance() == this)
        Instance() = nullptr;
    if (qApp)
        qApp->removeEventFilter(this);
}

TUseHTMLHelp* HtmlHelpRouterInstance()
{
    return Instance();
}

QUrl TUseHTMLHelp::HelpTarget(int command, const QString& data)
{
    QUrl file = QUrl::fromLocalFile(ApplicationHelpFile());
    switch (command) {
    case HELP_QUIT:
        return {};
    case HELP_CONTEXT:
    case HELP_CONTEXTPOPUP:
        file.setFragment(QStringLiteral("context-") + data);
        return file;
    case HELP_KEY:
        if (!Anchor(data).isEmpty())
            file.setFragment(Anchor(data));
        return file;
    default:
        return file;
    }
}

bool TUseHTMLHelp::HtmlHelpRouter(int command, const QString& data)
{
    const QUrl target = HelpTarget(command, data);
    if (!target.isEmpty())
        OpenWithDesktop(target);
    return true;
}

bool TUseHTMLHelp::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return QObject::eventFilter(watched, event);
    bool handled = false;
    Guarded(nullptr, [&] {
        int command = HELP_FINDER;
        QString data;
        // The key reaches the window before its focus widget: the request
        // is the focus widget's.
        QWidget* widget = QApplication::focusWidget();
        if (!widget)
            widget = qobject_cast<QWidget*>(watched);
        RequestFor(widget, command, data);
        handled = HtmlHelpRouter(command, data);
    });
    return handled;
}
