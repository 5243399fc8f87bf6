#pragma once
// The update check: a small version file on the vendor's web server names
// the latest release, its date and its size; the running version is compared
// with it and the user is told where to get the update.
//
// The file is three lines: version ("2.0.0.400"), release date
// ("dd/mm/yyyy", shown as it stands) and size in bytes. Anything after the
// third line is ignored.

#include "core/Errors.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

POLLUX_DECLARE_ERROR(EHTTPError, EPollux)         // the version file could not be fetched
POLLUX_DECLARE_ERROR(EHTTPTimedOutError, EHTTPError) // the server did not answer in time

struct TVersionInfo {
    QString Version;
    QString Date;
    qint32 Size = 0;
};

// One line of `text` from `pos`: every character up to the first CR, LF or
// NUL (or the end). `pos` moves past the line and past every CR, LF and NUL
// after it, so CR LF, LF and CR line ends all serve and blank lines between
// lines are skipped. Lines are taken as they stand, blanks included.
QString ReadVersionLine(const QString& text, qsizetype& pos);

// The three lines of a version file body. An empty body gives empty texts
// and size 0; so does a missing or empty third line. A third line that is not
// an integer ("$"/"0x" hexadecimal allowed) throws EConvertError.
TVersionInfo ParseVersionFile(const QByteArray& body);

// Compares two version texts number by number (2.0.0.1000 > 2.0.0.327).
// Each "."-separated part compares by its leading number, then by the rest
// of its text; a version that is the beginning of the other is the smaller,
// and the empty text is smaller than any other. Returns <0, 0 or >0.
int CompareVersions(const QString& a, const QString& b);

// The message shown when `info` names a newer version.
QString UpdateAvailableText(const TVersionInfo& info, const QUrl& downloadPage);

// Fetches the version file at `url` with one GET (redirects not followed)
// while the event loop keeps running, and parses it. A failed connection, a
// status that is not 2xx (message: status code and reason) or a redirect
// throws EHTTPError; no answer within `timeOutMs` throws EHTTPTimedOutError.
// If the event loop is asked to quit meanwhile, the request is dropped and
// EAbort is thrown.
TVersionInfo CheckForUpdate(const QUrl& url, int timeOutMs);

// How long the update command waits for the vendor's server (15 s unless a
// test shortens it).
int UpdateTimeOut();
void SetUpdateTimeOut(int milliseconds);
