#pragma once
// Helpers of the window tests: waiting for the event loop, and readable failure messages.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QVariant>
#include <functional>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QVariant& value, std::ostream* os) {
    *os << value.typeName() << ' ' << value.toString().toStdString();
}

// Processes events until done() or the timeout; the result of done() at the end.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return done();
}
