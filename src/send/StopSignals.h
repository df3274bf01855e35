#pragma once

#include <memory>

#include <QObject>

namespace ymodem {

// Turns the requests to stop the program (SIGINT and SIGTERM, or the console's break and
// close events) into a signal on the event loop's thread, so that the port is closed in
// an orderly way. One instance a program.
class StopSignals : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    // exitCode: 130 for an interrupt, 143 for a termination.
    void StopRequested(int exitCode);

private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
};

}  // namespace ymodem
