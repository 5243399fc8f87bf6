#include "shell/Launch.h"

#include "core/Version.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {
DesktopOpener& OpenerSlot()
{
    static DesktopOpener opener;
    return opener;
}

ProgramStarter& StarterSlot()
{
    static ProgramStarter starter;
    return starter;
}

bool IsProgram(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}
} // namespace

bool OpenWithDesktop(const QUrl& url)
{
    if (OpenerSlot())
        return OpenerSlot()(url);
    return QDesktopServices::openUrl(url);
}

void SetDesktopOpener(DesktopOpener opener)
{
    OpenerSlot() = std::move(opener);
}

bool StartProgram(const QString& program, const QStringList& arguments)
{
    if (StarterSlot())
        return StarterSlot()(program, arguments);
    return QProcess::startDetached(program, arguments);
}

void SetProgramStarter(ProgramStarter starter)
{
    StarterSlot() = std::move(starter);
}

QString CompanionProgramPathIn(const QString& name, const QString& programFolder, const QString& buildTools)
{
    // Never a bare name: a lookup through PATH or the working directory
    // would run whatever file of that name happens to be there.
    if (!programFolder.isEmpty()) {
        const QString beside = QDir(programFolder).absoluteFilePath(name);
        if (IsProgram(beside))
            return QDir::cleanPath(beside);
    }
    if (!buildTools.isEmpty()) {
        const QString built = QDir(buildTools).absoluteFilePath(name + QLatin1Char('/') + name);
        if (IsProgram(built))
            return QDir::cleanPath(built);
    }
    return {};
}

QString CompanionProgramPath(const QString& name)
{
    const QString program = ProgramFilePath();
    const QString folder = QFileInfo(program).absolutePath();
    QString buildTools;
#ifdef POLLUX_BUILD_DIR
    // Only a program that itself runs from the build tree looks there.
    const QString buildDir = QDir::cleanPath(QStringLiteral(POLLUX_BUILD_DIR));
    if (QDir::cleanPath(program).startsWith(buildDir + QLatin1Char('/')))
        buildTools = buildDir + QStringLiteral("/tools");
#endif
    return CompanionProgramPathIn(name, folder, buildTools);
}
