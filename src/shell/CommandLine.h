#pragma once
// The command line: switches that prepare unattended use.

#include <QString>
#include <QStringList>
#include <functional>

struct CommandLineState {
    bool CmdLinePrint = false;
    bool CmdLineSave = false;
    bool CmdLineClear = false;
    QString CmdLineSaveFile;
    bool Quit = false;        // "/q": run once, then exit with a status
    bool Help = false;        // "/?" was given: the program ends once it is up
};

// The program-wide state, set only by CheckCommandLine (and "/q" by
// PrepareCommandLine, which must know it before the window exists).
CommandLineState& CmdLine();

// Called by main() before the application object exists. Handles --help and
// --version (prints and returns an exit code >= 0), and picks the offscreen
// platform for "/q" when there is no display. Without "/q" and with no
// display to open, says so on standard error and returns 2 ("/?" prints the
// help and returns 0). Returns -1 to go on.
int PrepareCommandLine(int argc, char** argv);

// The parameters as the program received them (without the program path).
// Empty parameters are passed over.
QStringList CommandLineParameters();
// Replaces the parameters the program received (for tests).
void SetCommandLineParameters(const QStringList& parameters);

// What the command line decides, before it is applied to the main window.
struct CommandLineDecision {
    CommandLineState State;
    bool BoxTextSet = false;    // "/f:" was given: the query box gets BoxText
    QString BoxText;
    bool TimerSet = false;      // "/t" was given: the repeat timer gets TimerInterval
    int TimerInterval = 0;      // milliseconds; 0 never ticks
    bool HelpRequested = false;
};

// Examines the parameters in order, writing the debug lines, and calls
// `onHelp` when "/?" has its turn. A "/t" value that is not a usable number of
// seconds throws EConvertError; `out` then holds what the parameters before
// it decided, and the parameters after it are not examined.
void DecideCommandLine(const QStringList& parameters, CommandLineDecision& out,
                       const std::function<void()>& onHelp = {});
CommandLineDecision DecideCommandLine(const QStringList& parameters);

// Whether a window can be shown: a display is set and Qt is not told to use
// a platform without one.
bool HasDisplay();

// The switches and what they do, as the help window and --help show them.
struct CommandLineHelpRow {
    QString Option;
    QString Description;
};
QList<CommandLineHelpRow> CommandLineHelpRows();
// The same as plain text for standard output, with --help and --version.
QString CommandLineHelpText();

// Ends the program once its event loop is running and no modal window is
// open (the help window asks for this).
void RequestProgramEnd();

class TMain;
// "/q": runs the query box's expressions once and returns the exit status
// (0 when every query succeeded). main() calls it instead of showing the
// window.
int RunUnattended(TMain& window);
