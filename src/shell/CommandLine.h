#pragma once
// The command line: switches that prepare unattended use.

#include <QString>
#include <QStringList>

struct CommandLineState {
    bool CmdLinePrint = false;
    bool CmdLineSave = false;
    bool CmdLineClear = false;
    QString CmdLineSaveFile;
    bool Quit = false;        // "/q": run once, then exit with a status
};

// The program-wide state, set only by CheckCommandLine.
CommandLineState& CmdLine();

// Called by main() before the application object exists. Handles --help and
// --version (prints and returns an exit code >= 0), and picks the offscreen
// platform for "/q" when there is no display. Returns -1 to go on.
int PrepareCommandLine(int argc, char** argv);

// The parameters as the program received them (without the program path).
QStringList CommandLineParameters();
