#pragma once
// The one guard every entry point (slot, event override, timer tick, start-up
// step) runs its body through, so that no exception ever reaches Qt. A failure
// goes to the installed error handler together with the object in whose
// handling it arose (a window, or nullptr for none).

#include "core/Errors.h"

#include <QObject>
#include <functional>
#include <new>
#include <utility>

using ErrorHandlerFn = std::function<void(QObject* sender, const EPollux& failure)>;

// Installs the application-wide handler; an empty function restores the
// default, which writes the failure to standard error.
void SetErrorHandler(ErrorHandlerFn handler);

// Hands a failure to the handler. Never throws.
void ReportError(QObject* sender, const EPollux& failure) noexcept;

// A failure the program works around: a setting it cannot use, a settings
// store it cannot open or write. The operation goes on with a default; the
// failure goes to the fallback handler once per distinct message, and is not
// the failure of the operation in progress. Without a handler it is written
// to standard error. Never throws.
void SetFallbackHandler(ErrorHandlerFn handler);
void ReportFallback(QObject* sender, const EPollux& failure) noexcept;
// Forgets which messages were reported, so they are reported again (tests).
void ForgetFallbackReports();

template <class F>
void Guarded(QObject* sender, F&& body) noexcept
{
    try {
        std::forward<F>(body)();
    } catch (const EAbort&) {
        // a silent cancellation: no report
    } catch (const EPollux& e) {
        ReportError(sender, e);
    } catch (const std::bad_alloc&) {
        ReportError(sender, EOutOfMemory(QStringLiteral("Out of memory")));
    } catch (const std::exception& e) {
        ReportError(sender, EPollux(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        ReportError(sender, EPollux(QStringLiteral("Unknown failure")));
    }
}
