#pragma once
// Acting on a modal dialog or message box that a call is about to open: the
// action runs as soon as the dialog is up, inside its own event loop.

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

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
