#pragma once
// Acting on a modal dialog or message box that a call is about to open: the
// action runs as soon as the dialog is up, inside its own event loop. After
// the given number of 10 ms polls it gives up (closing a modal dialog of
// another kind, if one is open), so a broken dialog fails the test instead of
// hanging it.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Runs `act` on the next visible modal widget.
inline void OnNextModal(std::function<void(QWidget*)> act, int attempts = 500)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto left = std::make_shared<int>(attempts);
    QObject::connect(timer, &QTimer::timeout, [timer, act, left] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        } else if (--*left <= 0) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

// Runs `act` on the next modal window of type T.
template <class T>
void WhenModal(std::function<void(T*)> act, int attempts = 500)
{
    QTimer::singleShot(10, qApp, [act, attempts] {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            act(window);
            return;
        }
        if (attempts > 0) {
            WhenModal<T>(act, attempts - 1);
            return;
        }
        qWarning("expected modal window did not appear");
        if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            other->reject();
    });
}
