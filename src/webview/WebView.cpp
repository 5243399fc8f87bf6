// The web view plug-in: a QWebEngineView behind the plain interface of
// WebViewApi.h. Loaded by the main window on first use only.

#include "webview/WebViewApi.h"

#include <QWebEngineView>

namespace {

class TPolluxWebView final : public QWebEngineView, public IPolluxWebView {
public:
    TPolluxWebView(QWidget* parent, WebStatusHandler onStatus) : QWebEngineView(parent), onStatus_(std::move(onStatus))
    {
        setObjectName(QStringLiteral("WebBrowser1"));
        // The status texts an embedded browser gives its host: the page
        // being opened, the link under the pointer, and nothing once done.
        connect(this, &QWebEngineView::loadStarted, this,
                [this] { Status(QStringLiteral("Opening page ") + target_.toString() + QStringLiteral("...")); });
        connect(this, &QWebEngineView::loadFinished, this, [this](bool) { Status(QString()); });
        connect(page(), &QWebEnginePage::linkHovered, this, [this](const QString& link) { Status(link); });
    }

    QWidget* Widget() override { return this; }

    void Navigate(const QUrl& target) override
    {
        // Asked again for the page it shows, the view fetches it anew
        // rather than settling for what it has.
        if (target == target_) {
            triggerPageAction(QWebEnginePage::ReloadAndBypassCache);
            return;
        }
        target_ = target;
        load(target);
    }

private:
    void Status(const QString& text)
    {
        if (onStatus_)
            onStatus_(text);
    }

    WebStatusHandler onStatus_;
    QUrl target_;
};

} // namespace

extern "C" Q_DECL_EXPORT IPolluxWebView* PolluxCreateWebView(QWidget* parent, const WebStatusHandler* onStatus)
{
    return new TPolluxWebView(parent, onStatus ? *onStatus : WebStatusHandler{});
}
