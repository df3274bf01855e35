#include "QtSerialBackend.h"

#include <QElapsedTimer>
#include <QScopedValueRollback>
#include <QSerialPortInfo>

#include "CommError.h"
#include "DevicePortNaming.h"
#include "LowLatency_posix.h"
#include "PortAccess_posix.h"
#include "QtOpenErrorNumber.h"
#include "QtText.h"

namespace ymodem {

namespace {

QSerialPort::Parity ToQt(LineSettings::Parity parity) {
    switch (parity) {
        case LineSettings::Parity::kEven:
            return QSerialPort::EvenParity;
        case LineSettings::Parity::kOdd:
            return QSerialPort::OddParity;
        case LineSettings::Parity::kMark:
            return QSerialPort::MarkParity;
        case LineSettings::Parity::kSpace:
            return QSerialPort::SpaceParity;
        case LineSettings::Parity::kNone:
            break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits ToQt(LineSettings::StopBits stopBits) {
    switch (stopBits) {
        case LineSettings::StopBits::kOneAndHalf:
            return QSerialPort::OneAndHalfStop;
        case LineSettings::StopBits::kTwo:
            return QSerialPort::TwoStop;
        case LineSettings::StopBits::kOne:
            break;
    }
    return QSerialPort::OneStop;
}

// The serial ports QSerialPortInfo reports.
std::vector<DevicePortNaming::SystemPort> SystemPorts() {
    std::vector<DevicePortNaming::SystemPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.push_back({ToUtf8(info.portName()), ToUtf8(info.systemLocation())});
    }
    return ports;
}

}  // namespace

std::unique_ptr<PortNaming> QtSerialBackend::SystemNaming() {
    return std::make_unique<DevicePortNaming>(DevicePortNaming::DefaultPortsFolder(), SystemPorts);
}

QtSerialBackend::QtSerialBackend() : port_(std::make_unique<QSerialPort>()) {
    QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(),
                     [this] { HandleReadyRead(); });
    QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                     [this](QSerialPort::SerialPortError error) { HandleError(error); });
}

QtSerialBackend::~QtSerialBackend() {
    // The port outlives this part of the object; its last errors must not reach it.
    port_->disconnect();
}

void QtSerialBackend::Open(const std::string& device, const LineSettings& settings) {
    port_->setPortName(FromUtf8(device));
    port_->setFlowControl(QSerialPort::NoFlowControl);
    SetLine(settings);
    if (!port_->open(QIODevice::ReadWrite)) {
        const int number = QtOpenErrorNumber(port_->error(), PortAccess::CanReadWrite(device));
        throw CommError(number, device + ": " + ErrorText());
    }
    RequestLowLatency(port_->handle());
    lossPending_ = false;
    pending_.clear();
    // QSerialPort opens even when the device refuses the settings.
    if (!SetLine(settings)) {
        const std::string reason = ErrorText();
        Close();
        throw CommError(CommError::kHardwareUnavailable, reason);
    }
}

void QtSerialBackend::Close() {
    pending_.clear();
    if (!port_->isOpen()) return;
    // Closing a dead device can report errors of its own; they are no news.
    const QScopedValueRollback<bool> closing(closing_, true);
    port_->close();
}

bool QtSerialBackend::IsOpen() const {
    return port_->isOpen();
}

void QtSerialBackend::Apply(const LineSettings& settings) {
    if (!SetLine(settings)) throw CommError(CommError::kHardwareUnavailable, ErrorText());
}

// While closed QSerialPort only records the values.
bool QtSerialBackend::SetLine(const LineSettings& settings) {
    const bool baudRateSet = port_->setBaudRate(settings.BaudRate());
    const bool paritySet = port_->setParity(ToQt(settings.ParityMode()));
    const bool dataBitsSet =
        port_->setDataBits(static_cast<QSerialPort::DataBits>(settings.DataBits()));
    const bool stopBitsSet = port_->setStopBits(ToQt(settings.Stop()));
    return baudRateSet && paritySet && dataBitsSet && stopBitsSet;
}

void QtSerialBackend::Write(std::span<const std::uint8_t> bytes) {
    if (!port_->isOpen() || bytes.empty()) return;
    port_->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

void QtSerialBackend::DiscardInput() {
    pending_.clear();
    if (port_->isOpen()) port_->clear(QSerialPort::Input);
}

void QtSerialBackend::DiscardOutput() {
    if (port_->isOpen()) port_->clear(QSerialPort::Output);
}

// What QSerialPort still holds; the system's own buffer beyond it is a few KiB at most.
std::size_t QtSerialBackend::Unsent() const {
    return port_->isOpen() ? static_cast<std::size_t>(port_->bytesToWrite()) : 0;
}

// QSerialPort reads while it waits; what it reads is reported once the loop runs again.
bool QtSerialBackend::WaitForOutput(std::chrono::milliseconds timeout) {
    {
        const QScopedValueRollback<bool> inOwnCall(inOwnCall_, true);
        QElapsedTimer clock;
        clock.start();
        while (port_->isOpen() && port_->bytesToWrite() > 0) {
            const qint64 left = timeout.count() - clock.elapsed();
            if (left <= 0 || !port_->waitForBytesWritten(static_cast<int>(left))) break;
        }
    }
    if (!pending_.empty()) {
        QMetaObject::invokeMethod(
            port_.get(), [this] { ReportPending(); }, Qt::QueuedConnection);
    }
    return !port_->isOpen() || port_->bytesToWrite() == 0;
}

std::string QtSerialBackend::ErrorText() const {
    return ToUtf8(port_->errorString());
}

// The bytes are stamped as they are read: they may wait in the control before the loop gets
// to hand them on.
void QtSerialBackend::HandleReadyRead() {
    const ArrivalTime arrived = std::chrono::steady_clock::now();
    QByteArray bytes = port_->readAll();
    if (!bytes.isEmpty()) pending_.push_back({std::move(bytes), arrived});
    if (!inOwnCall_) ReportPending();
}

// A report may close the port, which drops what is left.
void QtSerialBackend::ReportPending() {
    while (!pending_.empty() && port_->isOpen()) {
        const Chunk chunk = std::move(pending_.front());
        pending_.pop_front();
        ReportReceived({reinterpret_cast<const std::uint8_t*>(chunk.bytes.constData()),
                        static_cast<std::size_t>(chunk.bytes.size())},
                       chunk.arrived);
    }
}

// Linux hangs up a tty whose device is gone (a USB adapter pulled out, the other side
// of a pty closed): reads then see end of file, which QSerialPort reports as
// ReadError, over and over, rather than ResourceError. The loss is handled from the event
// loop, since QSerialPort may report it from inside one of its own calls.
void QtSerialBackend::HandleError(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
    if (closing_ || !port_->isOpen() || lossPending_) return;
    lossPending_ = true;
    QMetaObject::invokeMethod(
        port_.get(), [this] { HandleLoss(); }, Qt::QueuedConnection);
}

// What the device sent before it went away is reported before the loss.
void QtSerialBackend::HandleLoss() {
    if (!lossPending_ || !port_->isOpen()) return;
    lossPending_ = false;
    HandleReadyRead();
    if (port_->isOpen()) ReportLost();
}

}  // namespace ymodem
