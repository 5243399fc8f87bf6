#include "shell/VersionCheck.h"

#include "app/TextUtil.h"
#include "settings/ColourText.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

int timeOut = 15000;

bool IsLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0);
}

// The leading decimal digits of `part` and what follows them.
void SplitNumber(const QString& part, QString& digits, QString& rest)
{
    qsizetype n = 0;
    while (n < part.size() && part.at(n) >= QLatin1Char('0') && part.at(n) <= QLatin1Char('9'))
        ++n;
    digits = part.left(n);
    rest = part.mid(n);
}

// Numbers of any length compare by value: leading zeros dropped, then the
// longer is larger, then digit by digit.
int CompareDigits(QString a, QString b)
{
    auto trim = [](QString& s) {
        qsizetype z = 0;
        while (z < s.size() - 1 && s.at(z) == QLatin1Char('0'))
            ++z;
        s.remove(0, z);
    };
    trim(a);
    trim(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

int Sign(int n) { return (n > 0) - (n < 0); }

} // namespace

QString ReadVersionLine(const QString& text, qsizetype& pos)
{
    const qsizetype start = std::clamp<qsizetype>(pos, 0, text.size());
    qsizetype end = start;
    while (end < text.size() && !IsLineEnd(text.at(end)))
        ++end;
    const QString line = text.mid(start, end - start);
    while (end < text.size() && IsLineEnd(text.at(end)))
        ++end;
    pos = end;
    return line;
}

TVersionInfo ParseVersionFile(const QByteArray& body)
{
    TVersionInfo info;
    if (body.isEmpty())
        return info;
    const QString text = QString::fromUtf8(body);
    qsizetype pos = 0;
    info.Version = ReadVersionLine(text, pos);
    info.Date = ReadVersionLine(text, pos);
    const QString size = ReadVersionLine(text, pos);
    if (!size.isEmpty())
        info.Size = StrToInt(size);
    return info;
}

int CompareVersions(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return Sign(int(!a.isEmpty()) - int(!b.isEmpty()));
    const QStringList pa = a.split(QLatin1Char('.'));
    const QStringList pb = b.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < std::min(pa.size(), pb.size()); ++i) {
        QString da, ra, db, rb;
        SplitNumber(pa.at(i), da, ra);
        SplitNumber(pb.at(i), db, rb);
        if (!da.isEmpty() && !db.isEmpty()) {
            if (const int c = CompareDigits(da, db))
                return c;
            if (const int c = ra.compare(rb))
                return Sign(c);
        } else if (const int c = pa.at(i).compare(pb.at(i))) {
            return Sign(c);
        }
    }
    return Sign(int(pa.size() - pb.size()));
}

QString UpdateAvailableText(const TVersionInfo& info, const QUrl& downloadPage)
{
    return QStringLiteral("An update to version ") + info.Version
        + QStringLiteral(" is available.  The update size is ") + InsertThousandSeparator(info.Size)
        + QStringLiteral(" bytes and was released on ") + info.Date + QStringLiteral(" (dd/mm/yyyy)\r\n\r\nGo to ")
        + downloadPage.toString() + QStringLiteral(" to download the update.");
}

TVersionInfo CheckForUpdate(const QUrl& url, int timeOutMs)
{
    QNetworkAccessManager http;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(0); // our own timer decides, so the message is ours
    QNetworkReply* reply = http.get(request);
    reply->setParent(nullptr);
    std::unique_ptr<QNetworkReply> owned(reply);

    QEventLoop wait;
    QTimer timer;
    timer.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&timer, &QTimer::timeout, &wait, [&] {
        timedOut = true;
        wait.quit();
    });
    QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    timer.start(std::max(1, timeOutMs));
    if (!reply->isFinished())
        wait.exec();

    if (!reply->isFinished()) {
        reply->abort();
        if (timedOut)
            throw EHTTPTimedOutError(QStringLiteral("No answer from %1 within %2 seconds")
                                         .arg(url.host())
                                         .arg(timeOutMs / 1000.0, 0, 'g', 3));
        throw EAbort(QStringLiteral("update check left"));
    }

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    if (!status.isValid()) // no HTTP answer at all: lookup, refusal, reset
        throw EHTTPError(reply->errorString());
    const int code = status.toInt();
    if (code < 200 || code > 299)
        throw EHTTPError(QString::number(code) + QLatin1Char(' ') + reason);
    return ParseVersionFile(reply->readAll());
}

int UpdateTimeOut() { return timeOut; }
void SetUpdateTimeOut(int milliseconds) { timeOut = milliseconds; }
