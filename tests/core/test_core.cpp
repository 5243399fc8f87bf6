#include "TestMain.h"

#include "core/Addresses.h"
#include "core/Errors.h"
#include "core/Guard.h"
#include "core/Paths.h"
#include "core/Version.h"

#include <QTemporaryFile>

class TestCore : public QObject {
    Q_OBJECT
private slots:
    void versionIsReadFromTheProgramFile()
    {
        QCOMPARE(GetFileVersionString(ProgramFilePath()), QStringLiteral("2.0.0.327"));
        QCOMPARE(CompiledVersion(), QStringLiteral("2.0.0.327"));
    }

    void fileWithoutVersionGivesEmptyText()
    {
        QTemporaryFile plain;
        QVERIFY(plain.open());
        plain.write("no version record in here\n");
        plain.flush();
        QCOMPARE(GetFileVersionString(plain.fileName()), QString());
        QCOMPARE(GetFileVersionString(QStringLiteral("/nonexistent/file")), QString());
        QCOMPARE(GetFileVersionString(QStringLiteral("/bin/sh")), QString());
    }

    void guardHandsFailuresToTheHandler()
    {
        QObject window;
        window.setObjectName(QStringLiteral("Main"));
        QStringList seen;
        SetErrorHandler([&](QObject* sender, const EPollux& e) {
            seen << (sender ? sender->objectName() : QStringLiteral("-")) + QLatin1Char('|') + e.Message() + QLatin1Char('|') + e.TypeName();
        });
        Guarded(&window, [] { throw EConvertError(QStringLiteral("'x' is not a valid integer value")); });
        Guarded(nullptr, [] { throw std::runtime_error("plain"); });
        Guarded(nullptr, [] { throw EAbort(QStringLiteral("quiet")); });
        Guarded(nullptr, [] { throw 42; });
        SetErrorHandler({});
        QCOMPARE(seen, QStringList({QStringLiteral("Main|'x' is not a valid integer value|EConvertError"),
                                    QStringLiteral("-|plain|Exception"),
                                    QStringLiteral("-|Unknown failure|Exception")}));
    }

    void handlerThatThrowsDoesNotEscape()
    {
        SetErrorHandler([](QObject*, const EPollux&) { throw std::runtime_error("handler broke"); });
        Guarded(nullptr, [] { throw EInOutError(QStringLiteral("disk")); });
        SetErrorHandler({});
    }

    void vendorBaseMovesEveryVendorAddress()
    {
        qputenv("POLLUX_VENDOR_URL", "http://127.0.0.1:8080/");
        QCOMPARE(Addresses::NewsPage().toString(), QStringLiteral("http://127.0.0.1:8080/pollux/pxnews.html"));
        QCOMPARE(Addresses::HomePage().toString(), QStringLiteral("http://127.0.0.1:8080/"));
        QCOMPARE(Addresses::SupportPage().toString(), QStringLiteral("http://127.0.0.1:8080/support/support.html"));
        QCOMPARE(Addresses::VersionFile().toString(), QStringLiteral("http://127.0.0.1:8080/files/updates/version.txt"));
        QCOMPARE(Addresses::DownloadPage().toString(), QStringLiteral("http://127.0.0.1:8080/download.html"));
        qunsetenv("POLLUX_VENDOR_URL");
        QVERIFY(Addresses::SupportPage().toString().endsWith(QStringLiteral("/support/support.html")));
        QVERIFY(!Addresses::SupportPage().toString().contains(QStringLiteral("127.0.0.1")));
        QVERIFY(Addresses::RfcPage().toString().endsWith(QStringLiteral("/rfc1288.html")));
        QVERIFY(Addresses::GatewayPage().toString().endsWith(QStringLiteral("/finger")));
    }

    void configDirFollowsTheEnvironment()
    {
        QCOMPARE(ConfigDir(), QDir::cleanPath(qEnvironmentVariable("POLLUX_CONFIG_DIR")));
        QCOMPARE(StateDir(), ConfigDir());
    }
};

POLLUX_TEST_MAIN(TestCore)
#include "test_core.moc"
