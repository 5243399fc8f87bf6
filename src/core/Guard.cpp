#include "core/Guard.h"

#include <cstdio>

namespace {
ErrorHandlerFn& handlerSlot()
{
    static ErrorHandlerFn handler;
    return handler;
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
