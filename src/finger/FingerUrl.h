#pragma once
// finger:// links: "finger://host[:port][/request]" (the request may begin
// with "/W") and "finger://user@host[:port]". Pure text functions, no window
// and no network, so that any source of text may be handed to them.

#include <QString>

struct FingerUrl {
    QString host;         // a name, an IPv4 address or "[v6]"; escapes decoded
    int port = 79;        // 79 unless the link names another
    bool portGiven = false;
    QString request;      // the query line without CR LF; escapes decoded
};

// True when the text (less blanks around it) begins with "finger://" in any
// letter case: such a text is read as a link and nothing else.
bool IsFingerUrl(const QString& text);

// Reads a finger link. Returns false and fills `error` with a sentence for
// the user when the text is no usable link: no host, a port that is no
// number from 1 to 65535, a broken escape, a line break or NUL in the
// request, a user given twice.
bool ParseFingerUrl(const QString& text, FingerUrl& url, QString* error = nullptr);

// The host part as a query expression writes it: "host", "host:port",
// "[v6]" or "[v6]:port" (the port only when the link names one).
QString FingerUrlHostPart(const FingerUrl& url);
