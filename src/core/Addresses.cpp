#include "core/Addresses.h"

#include <QByteArray>

namespace {

QString BaseFrom(const char* variable, const char* fallback)
{
    QString base = qEnvironmentVariable(variable).trimmed();
    if (base.isEmpty())
        base = QString::fromLatin1(fallback);
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QUrl On(const QString& base, const char* path)
{
    return QUrl(base + QLatin1String(path));
}

} // namespace

namespace Addresses {

QString VendorServer() { return BaseFrom("POLLUX_VENDOR_URL", "http://www.marlwick.example"); }
QString RfcArchive() { return BaseFrom("POLLUX_RFC_URL", "http://www.faqs.org/rfcs"); }
QString FingerGateway() { return BaseFrom("POLLUX_GATEWAY_URL", "http://finger.marlwick.example:8079"); }

QUrl NewsPage() { return On(VendorServer(), "/pollux/pxnews.html"); }
QUrl HomePage() { return On(VendorServer(), "/"); }
QUrl SupportPage() { return On(VendorServer(), "/support/support.html"); }
QUrl VersionFile() { return On(VendorServer(), "/files/updates/version.txt"); }
QUrl DownloadPage() { return On(VendorServer(), "/download.html"); }
QUrl RfcPage() { return On(RfcArchive(), "/rfc1288.html"); }
QUrl GatewayPage() { return On(FingerGateway(), "/finger"); }

QString SupportEmail() { return QStringLiteral("support@pollux.example"); }
QString BugReportEmail() { return QStringLiteral("bugs@pollux.example"); }

} // namespace Addresses
