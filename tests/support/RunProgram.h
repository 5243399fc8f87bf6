#pragma once
// Runs a program to its end while this process's event loop turns, so that
// servers living in the test process keep answering it.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QString>
#include <QStringList>

struct ProgramRun {
    int exitCode = -1; // -1 also when it did not start, crashed or ran over time
    QByteArray out;
    QByteArray err;
};

struct ProgramOptions {
    QByteArray input;                 // written to its standard input, which is then closed
    QProcessEnvironment environment;  // empty: the test's own
    QString workingDirectory;         // empty: the test's own
    int timeoutMs = 60000;
};

inline ProgramRun RunProgram(const QString& program, const QStringList& args, const ProgramOptions& options = {})
{
    QProcess process;
    if (!options.environment.isEmpty())
        process.setProcessEnvironment(options.environment);
    if (!options.workingDirectory.isEmpty())
        process.setWorkingDirectory(options.workingDirectory);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, args);
    if (!process.waitForStarted(10000))
        return {};
    if (!options.input.isEmpty())
        process.write(options.input);
    process.closeWriteChannel();
    if (!finished.wait(options.timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}
