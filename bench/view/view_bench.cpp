// Loads a 16 MiB, 250,000-line reply into a result view, paints it, jumps to
// the end and scrolls, and prints how long each step took.
//
//   view_bench [lines] [bytes] [mode]   mode "cp1252": every line holds a
//                                        byte that is not UTF-8; "plain": no
//                                        escapes at all; "sgr": every line full
//                                        of colour codes; "nocolour" (or
//                                        "plain-nocolour"): colour drawing off

#include "results/ResultView.h"
#include "ui/TDCMemo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// A line of colour art: 16, 256 and true colours, bold and underline.
QByteArray colourLine(int i, int want)
{
    QByteArray line;
    for (int k = 0;; ++k) {
        const int c = (i + k) % 8;
        QByteArray piece = "\x1b[" + QByteArray::number(31 + c) + (k % 2 ? ";1m" : ";4m") + "ansi";
        piece += "\x1b[38;5;" + QByteArray::number((i + k) % 256) + "m" + QByteArray::number(k);
        piece += "\x1b[48;2;" + QByteArray::number(k * 40 % 256) + ";20;" + QByteArray::number(c * 30) + "m#\x1b[0m ";
        if (line.size() + piece.size() > want)
            return line;
        line += piece;
    }
}

QByteArray makeReply(int lines, qint64 bytes, bool cp1252, bool plain, bool colours)
{
    const int perLine = int(bytes / lines) - 2; // CR LF
    const qint64 extra = bytes - qint64(lines) * (perLine + 2); // lines one byte longer
    QByteArray reply;
    reply.reserve(bytes + lines);
    for (int i = 0; i < lines; ++i) {
        QByteArray line;
        switch (colours ? 4 : i % 4) {
        case 0: line = "Login: user" + QByteArray::number(i) + "  Name: <b>Someone</b> \"Quoted\""; break;
        case 1: line = "Directory: /home/u" + QByteArray::number(i) + "  Shell: /bin/sh 12.5e3"; break;
        case 2: line = "Mail user" + QByteArray::number(i) + "@host.example or see www.host.example/p?q=" + QByteArray::number(i); break;
        case 3: line = (plain ? "Plan: " : "\x1b[1mPlan:\x1b[0m ") + QByteArray("<!-- nothing --> ") + QByteArray::number(i); break;
        default: line = colourLine(i, perLine); break;
        }
        if (cp1252)
            line.append(" caf\xe9");
        const int want = perLine + (i < extra ? 1 : 0);
        if (line.size() < want)
            line.append(QByteArray(want - line.size(), '.'));
        reply += line;
        reply += "\r\n";
    }
    return reply;
}

double ms(QElapsedTimer& t)
{
    const double v = t.nsecsElapsed() / 1e6;
    t.restart();
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 250000;
    const qint64 bytes = argc > 2 ? std::atoll(argv[2]) : 16ll * 1024 * 1024;
    const QByteArray mode = argc > 3 ? QByteArray(argv[3]) : QByteArray();
    const bool cp1252 = mode == "cp1252";
    const bool plain = mode.contains("plain");
    const bool colourOff = mode.contains("nocolour");
    const QByteArray reply = makeReply(lines, bytes, cp1252, plain, mode == "sgr");
    std::printf("reply: %d lines, %lld bytes%s\n", lines, qlonglong(reply.size()),
                cp1252 ? ", every line Windows-1252"
                : mode == "sgr" ? ", every line full of colour codes"
                : plain ? ", no escapes" : "");
    if (colourOff)
        std::printf("colour drawing off\n");

    QWidget sheet;
    sheet.resize(1000, 700);
    TDCMemo* view = CreateResultView(&sheet, {});
    if (colourOff)
        view->SetAnsiColours(false);
    sheet.show();
    app.processEvents();

    QElapsedTimer total;
    total.start();
    QElapsedTimer t;
    t.start();
    view->LoadFromBytes(reply);
    const double load = ms(t);
    view->viewport()->repaint();
    const double paint = ms(t);
    const double first = total.nsecsElapsed() / 1e6;
    std::printf("load: %.1f ms, first paint: %.1f ms, load + paint: %.1f ms\n", load, paint, first);
    std::printf("figure view_load_paint_ms %.1f\n", first);

    t.restart();
    view->GotoLine(view->LineCount() - 1);
    view->viewport()->repaint();
    std::printf("jump to the end and paint: %.1f ms (top line %d of %d)\n", ms(t), view->TopLine(), view->LineCount());

    // Scrolling back up, a page and a line at a time, painting each frame.
    double worst = 0, sum = 0;
    const int frames = 400;
    QScrollBar* bar = view->verticalScrollBar();
    for (int i = 0; i < frames; ++i) {
        bar->triggerAction(i % 2 ? QAbstractSlider::SliderPageStepSub : QAbstractSlider::SliderSingleStepSub);
        t.restart();
        view->viewport()->repaint();
        const double f = ms(t);
        worst = std::max(worst, f);
        sum += f;
    }
    std::printf("scrolling: %d frames, mean %.2f ms, worst %.2f ms\n", frames, sum / frames, worst);

    // Dragging the thumb from the end to the top in 50 jumps.
    worst = 0;
    for (int i = 50; i >= 0; --i) {
        bar->setValue(bar->maximum() / 50 * i);
        t.restart();
        view->viewport()->repaint();
        worst = std::max(worst, ms(t));
    }
    std::printf("thumb jumps: worst frame %.2f ms\n", worst);

    view->SetOptions(view->Options() | moColorSyntax);
    bar->setValue(bar->maximum());
    t.restart();
    view->viewport()->repaint();
    std::printf("syntax colours at the end (start states of every line found): %.1f ms\n", ms(t));

    t.restart();
    TSearchOptions search;
    search.text = QStringLiteral("no such text");
    search.entireScope = true;
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    view->Search(search, true);
    std::printf("search through everything: %.1f ms\n", ms(t));

    QTemporaryDir dir;
    t.restart();
    view->SaveToFile(dir.filePath(QStringLiteral("out.txt")));
    std::printf("save: %.1f ms\n", ms(t));

    QStringList more = view->Lines().mid(0, 50000);
    t.restart();
    view->AppendLines(more);
    view->viewport()->repaint();
    std::printf("append 50,000 lines and paint: %.1f ms\n", ms(t));
    return 0;
}
