#include "TestMain.h"

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

    void configDirFollowsTheEnvironment()
    {
        QCOMPARE(ConfigDir(), QDir::cleanPath(qEnvironmentVariable("POLLUX_CONFIG_DIR")));
        QCOMPARE(StateDir(), ConfigDir());
    }
};

POLLUX_TEST_MAIN(TestCore)
#include "test_core.moc"
