#pragma once
// Creates the embedded web view from its plug-in, loading the plug-in (and
// with it the web engine) on the first call only.

#include "webview/WebViewApi.h"

#include <QString>

class QWidget;

// Throws EPollux when the plug-in is missing or cannot be loaded.
IPolluxWebView* CreateWebView(QWidget* parent, WebStatusHandler onStatus);

// The plug-in file that CreateWebView loads: the installed one beside the
// program, or the build tree's for a program run from there; empty if none.
QString WebViewPluginPath();
