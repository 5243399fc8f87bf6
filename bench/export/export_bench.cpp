// Saves a 16 MiB, 250,000-line result view as text, RTF and HTML, and prints
// how long each save took and how far resident memory rose above what it
// was before the save (sampled every 2 ms), against the text's size.
//
//   export_bench [lines] [bytes]

#include "ui/TDCMemo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

QByteArray makeReply(int lines, qint64 bytes)
{
    const int perLine = int(bytes / lines) - 2;
    QByteArray reply;
    reply.reserve(bytes + lines);
    for (int i = 0; i < lines; ++i) {
        QByteArray line;
        switch (i % 4) {
        case 0: line = "Login: user" + QByteArray::number(i) + "  Name: <b>Someone</b> \"Quoted\""; break;
        case 1: line = "Directory: /home/u" + QByteArray::number(i) + "\tShell: /bin/sh 12.5e3"; break;
        case 2: line = "Mail user" + QByteArray::number(i) + "@host.example or see www.host.example/p?q=" + QByteArray::number(i); break;
        default: line = "Plan: <!-- nothing --> {braces} back\\slash caf\xc3\xa9 " + QByteArray::number(i); break;
        }
        if (line.size() < perLine)
            line.append(QByteArray(perLine - line.size(), '.'));
        reply += line;
        reply += "\r\n";
    }
    return reply;
}

qint64 residentBytes()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

struct PeakSampler {
    std::atomic<bool> stop{false};
    std::atomic<qint64> peak{0};
    std::thread thread;
    PeakSampler()
        : thread([this] {
              while (!stop) {
                  const qint64 now = residentBytes();
                  if (now > peak)
                      peak = now;
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
              }
          })
    {
    }
    ~PeakSampler()
    {
        stop = true;
        thread.join();
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 250000;
    const qint64 bytes = argc > 2 ? std::atoll(argv[2]) : 16ll * 1024 * 1024;
    const QByteArray reply = makeReply(lines, bytes);
    TDCMemo view;
    view.SetHighlightUrls(true);
    view.LoadFromBytes(reply);
    QTemporaryDir dir;
    int failures = 0;
    for (auto [kind, name] : {std::pair{TDocumentKind::Text, "text"}, std::pair{TDocumentKind::RTF, "rtf"},
                              std::pair{TDocumentKind::HTML, "html"}}) {
        const QString path = dir.filePath(QStringLiteral("out.") + QLatin1String(name));
        // What an earlier save freed goes back to the system first, so that
        // each rise is this save's own.
        malloc_trim(0);
        const qint64 before = residentBytes();
        double seconds = 0;
        qint64 peak = 0;
        {
            PeakSampler sampler;
            QElapsedTimer timer;
            timer.start();
            view.SaveAsDocument(kind, path);
            seconds = timer.nsecsElapsed() / 1e9;
            peak = sampler.peak;
        }
        const qint64 rise = std::max<qint64>(0, peak - before);
        const bool ok = seconds < 1.0 && rise < 2 * reply.size();
        failures += ok ? 0 : 1;
        std::printf("%-4s %6.3f s  %7.1f MiB written  resident +%6.1f MiB (text %.1f MiB, bound %.1f MiB)  %s\n",
                    name, seconds, QFileInfo(path).size() / 1048576.0, rise / 1048576.0,
                    reply.size() / 1048576.0, 2.0 * reply.size() / 1048576.0, ok ? "ok" : "OVER");
        std::printf("figure export_%s_ms %.0f\n", name, seconds * 1000);
    }
    return failures == 0 ? 0 : 1;
}
