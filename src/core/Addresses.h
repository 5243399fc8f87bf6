#pragma once

#include <QString>
#include <QUrl>

// Every address outside this machine that Pollux shows, opens or fetches
// lives here, so a mirror or a test can move them all at once.
//
// POLLUX_VENDOR_URL (a base such as "http://127.0.0.1:8080") replaces the
// vendor's web server for every vendor address: news, home, support, the
// version file and the download page. POLLUX_RFC_URL and POLLUX_GATEWAY_URL
// do the same for the RFC archive and the web finger gateway.
namespace Addresses {

// The vendor's web server, without a trailing "/".
QString VendorServer();
QString RfcArchive();
QString FingerGateway();

QUrl NewsPage();        // the vendor's news page
QUrl HomePage();        // the vendor's home page (the server's root)
QUrl SupportPage();     // the vendor's support page
QUrl VersionFile();     // the version file of the update check
QUrl DownloadPage();    // where updates are fetched by the user
QUrl RfcPage();         // RFC 1288 on the RFC archive
QUrl GatewayPage();     // the web finger gateway

QString SupportEmail();
QString BugReportEmail();

} // namespace Addresses
