#pragma once
// The embedded web view lives in a plug-in of its own (libpollux_webview.so)
// that the main window loads on the first web page it is asked for, so the
// web engine's libraries and processes cost nothing until then. This header
// is all the two sides share: plain C++, no Qt meta-object across the seam.

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

class IPolluxWebView {
public:
    virtual ~IPolluxWebView() = default;
    // The view itself, owned by the parent given at creation.
    virtual QWidget* Widget() = 0;
    // Loads the page; the page it shows already is loaded afresh.
    virtual void Navigate(const QUrl& url) = 0;
};

// The view's status texts: a link under the pointer, a page loading, and
// the empty text when a load is over.
using WebStatusHandler = std::function<void(const QString& text)>;

// The plug-in's one entry point, looked up by this name.
#define POLLUX_WEBVIEW_ENTRY "PolluxCreateWebView"
using PolluxCreateWebViewFn = IPolluxWebView* (*)(QWidget* parent, const WebStatusHandler* onStatus);
