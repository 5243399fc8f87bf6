#pragma once
// Every failure in Pollux is one of these: it carries the text the user is
// shown and the name of its kind, which the error report prints in brackets.

#include <QByteArray>
#include <QString>
#include <exception>

class EPollux : public std::exception {
public:
    explicit EPollux(const QString& message, const QString& typeName = QStringLiteral("Exception"))
        : message_(message), typeName_(typeName), what_(message.toUtf8()) {}

    const QString& Message() const noexcept { return message_; }
    const QString& TypeName() const noexcept { return typeName_; }
    const char* what() const noexcept override { return what_.constData(); }

private:
    QString message_;
    QString typeName_;
    QByteArray what_;
};

// Declares a failure kind whose type name is its class name.
#define POLLUX_DECLARE_ERROR(Name, Base)                                         \
    class Name : public Base {                                                   \
    public:                                                                      \
        explicit Name(const QString& message) : Base(message, QStringLiteral(#Name)) {} \
                                                                                 \
    protected:                                                                   \
        Name(const QString& message, const QString& typeName) : Base(message, typeName) {} \
    };

POLLUX_DECLARE_ERROR(EConvertError, EPollux)     // text that should be a number, colour or font
POLLUX_DECLARE_ERROR(EInOutError, EPollux)       // a file could not be created, opened or written
POLLUX_DECLARE_ERROR(ERegistryException, EPollux) // a settings store read or write was refused
POLLUX_DECLARE_ERROR(EStoreError, EPollux)       // the settings store file itself is unusable
POLLUX_DECLARE_ERROR(EOutOfResources, EPollux)
POLLUX_DECLARE_ERROR(EOutOfMemory, EPollux)

// Leaves an operation without any message; the guard swallows it.
POLLUX_DECLARE_ERROR(EAbort, EPollux)
