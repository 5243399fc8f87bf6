// The command line: any parameters are decided by the first rule that takes
// each one, the help is asked for once per "/?", and only a "/t" value that is
// no usable number of seconds fails, as a conversion error.
#include "FuzzCheck.h"
#include "settings/ColourText.h"
#include "shell/CommandLine.h"

#include <climits>

#include <QDir>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The decision writes debug lines, which first ask the settings store
    // whether the log is on: a store of its own, with the log off.
    static QTemporaryDir store;
    qputenv("POLLUX_CONFIG_DIR", store.path().toLocal8Bit());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList parameters = fuzz::Texts(data, size);
    if (parameters.size() > 64)
        return -1; // each parameter is a settings read; long lists add nothing

    // The rules, in their order, as a model to hold the decision against.
    CommandLineDecision model;
    int helps = 0;
    bool shouldThrow = false;
    for (const QString& p : parameters) {
        auto upperHas = [&](const char* s) {
            QString ascii = p;
            for (QChar& c : ascii)
                if (c.unicode() >= u'a' && c.unicode() <= u'z')
                    c = QChar(c.unicode() - 32);
            return ascii.contains(QLatin1String(s));
        };
        auto upperIs = [&](const char* s) { return p.size() == qsizetype(qstrlen(s)) && upperHas(s); };
        if (p == QLatin1String("/?")) {
            ++helps;
        } else if (upperIs("/P")) {
            model.State.CmdLinePrint = true;
        } else if (upperIs("/CLS")) {
            model.State.CmdLineClear = true;
        } else if (upperIs("/Q")) {
            model.State.Quit = true;
        } else if (upperHas("/S")) {
            model.State.CmdLineSave = true;
            model.State.CmdLineSaveFile = p.mid(3);
        } else if (upperHas("/F:")) {
            model.BoxTextSet = true;
            model.BoxText = p.mid(3);
        } else if (upperHas("/T")) {
            // The number itself is read by StrToInt, held to its own
            // properties by the colour text target.
            qint32 seconds = -1;
            try {
                seconds = StrToInt(p.mid(3));
            } catch (const EConvertError&) {
            }
            if (seconds < 0 || seconds > INT_MAX / 1000) {
                shouldThrow = true; // the model stops where the decision stops
                break;
            }
            model.TimerSet = true;
            model.TimerInterval = int(seconds) * 1000;
        }
    }

    CommandLineDecision decision;
    int helpCalls = 0;
    bool threw = false;
    try {
        DecideCommandLine(parameters, decision, [&] { ++helpCalls; });
    } catch (const EConvertError& e) {
        threw = true;
        FUZZ_CHECK(e.Message().endsWith(QLatin1String("' is not a valid integer value")));
    }
    FUZZ_CHECK(helpCalls == helps && decision.HelpRequested == (helps > 0));
    FUZZ_CHECK(decision.State.CmdLinePrint == model.State.CmdLinePrint);
    FUZZ_CHECK(decision.State.CmdLineClear == model.State.CmdLineClear);
    FUZZ_CHECK(decision.State.Quit == model.State.Quit);
    FUZZ_CHECK(decision.State.CmdLineSave == model.State.CmdLineSave);
    FUZZ_CHECK(decision.State.CmdLineSaveFile == model.State.CmdLineSaveFile);
    FUZZ_CHECK(decision.BoxTextSet == model.BoxTextSet && decision.BoxText == model.BoxText);
    FUZZ_CHECK(decision.TimerSet == model.TimerSet && decision.TimerInterval == model.TimerInterval);
    FUZZ_CHECK(decision.TimerInterval >= 0 && decision.TimerInterval % 1000 == 0);
    if (!shouldThrow)
        FUZZ_CHECK(!threw);
    return 0;
}
