#pragma once
// Helpers of the window tests: waiting for the event loop, and a connection that reports
// another server kind than the database behind it.
#include "kvl3_db/Ukvl_connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>
#include <ostream>

// readable failure messages
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
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

// Everything goes to the real connection, only ServerKind and ModeText are the test's.
class KindConnection : public kvl::TKVL_Connection {
public:
    KindConnection(std::unique_ptr<kvl::TKVL_Connection> inner, int kind, std::string mode)
        : inner_(std::move(inner)), kind_(kind), mode_(std::move(mode)) {}
    bool Connected() const override { return inner_->Connected(); }
    void Connect() override { inner_->Connect(); }
    void Disconnect() override { inner_->Disconnect(); }
    int ServerKind() const override { return kind_; }
    std::string ModeText() const override { return mode_; }
    std::string ConnectionString() const override { return inner_->ConnectionString(); }
    void ExecuteCommand(const std::string& kind, const std::string& sql) override {
        inner_->ExecuteCommand(kind, sql);
    }
    std::unique_ptr<kvl::TKVL_Connection> Clone() const override {
        return std::make_unique<KindConnection>(inner_->Clone(), kind_, mode_);
    }
    std::unique_ptr<kvl::TKVL_Transaction> NewTransaction() override { return inner_->NewTransaction(); }
    std::unique_ptr<kvl::TKVL_Query> NewQuery() override { return inner_->NewQuery(); }
    std::shared_ptr<kvl::IKVL_Database> Database() override { return inner_->Database(); }
    std::string NextValueExpression(const std::string& sequenceName) const override {
        return inner_->NextValueExpression(sequenceName);
    }

private:
    std::unique_ptr<kvl::TKVL_Connection> inner_;
    int kind_;
    std::string mode_;
};
