#pragma once
// Handing work to other programs: web addresses and documents to the
// desktop, and the companion programs that ship beside Pollux. Tests replace
// both so that nothing leaves the test.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

using DesktopOpener = std::function<bool(const QUrl&)>;
using ProgramStarter = std::function<bool(const QString& program, const QStringList& arguments)>;

// Opens a web address or a local file with the desktop's default action.
bool OpenWithDesktop(const QUrl& url);
// An empty function restores QDesktopServices::openUrl.
void SetDesktopOpener(DesktopOpener opener);

// Starts a program, detached, by the full path given.
bool StartProgram(const QString& program, const QStringList& arguments);
// An empty function restores QProcess::startDetached.
void SetProgramStarter(ProgramStarter starter);

// Where a companion program of Pollux (pxserver) lives: beside the running
// program when installed, or in the build tree's tools folder when run from
// there. Always a full path; empty when the program is in neither place.
QString CompanionProgramPath(const QString& name);
// The same lookup for a given program folder; `buildTools` is the build
// tree's tools folder (empty outside a build tree).
QString CompanionProgramPathIn(const QString& name, const QString& programFolder, const QString& buildTools);
