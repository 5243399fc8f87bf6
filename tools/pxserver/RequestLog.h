#pragma once
// Where pxserver writes its request log: standard error (which systemd's
// journal collects), a file, or syslog (under inetd, whose standard error is
// the client's connection).

#include "PxServer.h"

#include <QFile>

class RequestLog {
public:
    enum Sink { Stderr, File, Syslog };

    // `path` is the file for File; "-" means standard error.
    bool Open(Sink sink, const QString& path, QString* error);
    void Write(const RequestRecord& record);
    // A line about the server itself (started, stopping).
    void Note(const QString& text);

private:
    void Line(const QString& text, int priority);

    Sink sink_ = Stderr;
    QFile file_;
};
