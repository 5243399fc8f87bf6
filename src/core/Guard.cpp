#include "core/Guard.h"

#include <QSet>

#include <cstdio>

namespace {
ErrorHandlerFn& handlerSlot()
{
    static ErrorHandlerFn handler;
    return handler;
}

ErrorHandlerFn& fallbackSlot()
{
    static ErrorHandlerFn handler;
    return handler;
}

QSet<QString>& reportedFallbacks()
{
    static QSet<QString> reported;
    return reported;
}

void writeToStderr(const EPollux& failure) noexcept
{
    std::fprintf(stderr, "%s [%s]\n", failure.Message().toLocal8Bit().constData(),
                 failure.TypeName().toLocal8Bit().constData());
}
} // namespace

void SetErrorHandler(ErrorHandlerFn handler)
{
    handlerSlot() = std::move(handler);
}

void ReportError(QObject* sender, const EPollux& failure) noexcept
{
    try {
        if (handlerSlot()) {
            handlerSlot()(sender, failure);
            return;
        }
    } catch (...) {
        // the handler itself failed: fall through to the plain report
    }
    writeToStderr(failure);
}

void SetFallbackHandler(ErrorHandlerFn handler)
{
    fallbackSlot() = std::move(handler);
}

void ReportFallback(QObject* sender, const EPollux& failure) noexcept
{
    try {
        // Once is enough: a setting read by every query, or a store every
        // action writes to, would otherwise report without end.
        const QString key = failure.TypeName() + QLatin1Char('\n') + failure.Message();
        if (reportedFallbacks().contains(key))
            return;
        reportedFallbacks().insert(key);
        if (fallbackSlot()) {
            fallbackSlot()(sender, failure);
            return;
        }
    } catch (...) {
        // the handler itself failed: fall through to the plain report
    }
    writeToStderr(failure);
}

void ForgetFallbackReports()
{
    reportedFallbacks().clear();
}
