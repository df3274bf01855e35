#include "QtSerialControl.h"

#include <algorithm>

#include <QElapsedTimer>
#include <QScopedValueRollback>
#include <QSerialPortInfo>

#include "CommError.h"
#include "DevicePortNaming.h"
#include "LowLatency.h"
#include "OpenErrorNumber.h"
#include "PortAccess.h"
#include "QtText.h"
#include "SerialArgumentChecks.h"

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

QtSerialControl::QtSerialControl()
    : QtSerialControl(std::make_unique<DevicePortNaming>(DevicePortNaming::DefaultPortsFolder(),
                                                         SystemPorts)) {}

QtSerialControl::QtSerialControl(std::unique_ptr<PortNaming> naming)
    : naming_(std::move(naming)),
      port_(std::make_unique<QSerialPort>()),
      name_(naming_->DefaultName()) {
    QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(),
                     [this] { HandleReadyRead(); });
    QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                     [this](QSerialPort::SerialPortError error) { HandleError(error); });
}

QtSerialControl::~QtSerialControl() {
    // The port outlives this part of the object; its last errors must not reach it.
    port_->disconnect();
}

std::vector<std::string> QtSerialControl::PortCandidates() const {
    return naming_->Candidates();
}

void QtSerialControl::SetCommPort(const std::string& listText) {
    RequirePortClosed(port_->isOpen());
    name_ = naming_->NameFromListText(listText);
}

std::string QtSerialControl::CommPortName() const {
    return name_;
}

void QtSerialControl::SetSettings(const std::string& settings) {
    const LineSettings parsed = SettingsFromText(settings);
    if (!Apply(parsed)) {
        const std::string reason = ErrorText();
        Apply(settings_);
        throw CommError(CommError::kHardwareUnavailable, reason);
    }
    settings_ = parsed;
}

std::string QtSerialControl::Settings() const {
    return settings_.Text();
}

void QtSerialControl::SetPortOpen(bool open) {
    if (open) {
        Open();
    } else {
        Close();
    }
}

bool QtSerialControl::PortOpen() const {
    return port_->isOpen();
}

// QSerialPort grows its buffers as needed: capping the read buffer would only hold
// bytes back in the driver. The sizes are checked for the old control's sake.
void QtSerialControl::SetInBufferSize(int size) {
    RequireNotNegative(size);
}

void QtSerialControl::SetOutBufferSize(int size) {
    RequireNotNegative(size);
}

void QtSerialControl::SetInBufferCount(int count) {
    RequireZeroCount(count);
    if (port_->isOpen()) port_->clear(QSerialPort::Input);
}

void QtSerialControl::SetOutBufferCount(int count) {
    RequireZeroCount(count);
    if (port_->isOpen()) port_->clear(QSerialPort::Output);
}

// No send events are raised, so the send threshold has nothing to steer.
void QtSerialControl::SetSThreshold(int threshold) {
    RequireNotNegative(threshold);
}

void QtSerialControl::SetRThreshold(int threshold) {
    RequireNotNegative(threshold);
    rThreshold_ = threshold;
}

void QtSerialControl::SetInputLen(int length) {
    RequireNotNegative(length);
    inputLen_ = length;
}

// Input() hands out bytes in either mode.
void QtSerialControl::SetInputMode(int mode) {
    RequireInputMode(mode);
}

void QtSerialControl::Output(std::span<const std::uint8_t> frame) {
    if (!port_->isOpen() || frame.empty()) return;
    port_->write(reinterpret_cast<const char*>(frame.data()), static_cast<qint64>(frame.size()));
}

std::vector<std::uint8_t> QtSerialControl::Input() {
    if (!port_->isOpen()) return {};
    qint64 count = port_->bytesAvailable();
    if (inputLen_ > 0) count = std::min<qint64>(count, inputLen_);
    const QByteArray bytes = port_->read(count);
    return {bytes.begin(), bytes.end()};
}

int QtSerialControl::CommEvent() const {
    return commEvent_;
}

void QtSerialControl::Open() {
    RequirePortClosed(port_->isOpen());
    const std::string device = naming_->DeviceFor(name_);
    port_->setPortName(FromUtf8(device));
    port_->setFlowControl(QSerialPort::NoFlowControl);
    Apply(settings_);
    if (!port_->open(QIODevice::ReadWrite)) {
        const int number = OpenErrorNumber(port_->error(), PortAccess::CanReadWrite(device));
        throw CommError(number, device + ": " + ErrorText());
    }
    RequestLowLatency(port_->handle());
    lossPending_ = false;
    // QSerialPort opens even when the device refuses the recorded settings.
    if (!Apply(settings_)) {
        const std::string reason = ErrorText();
        Close();
        throw CommError(CommError::kHardwareUnavailable, reason);
    }
}

void QtSerialControl::Close() {
    if (!port_->isOpen()) return;
    // Closing a dead device can report errors of its own; they are no news.
    const QScopedValueRollback<bool> closing(closing_, true);
    port_->close();
}

// While closed QSerialPort only records the values.
bool QtSerialControl::Apply(const LineSettings& settings) {
    const bool baudRateSet = port_->setBaudRate(settings.BaudRate());
    const bool paritySet = port_->setParity(ToQt(settings.ParityMode()));
    const bool dataBitsSet =
        port_->setDataBits(static_cast<QSerialPort::DataBits>(settings.DataBits()));
    const bool stopBitsSet = port_->setStopBits(ToQt(settings.Stop()));
    return baudRateSet && paritySet && dataBitsSet && stopBitsSet;
}

std::string QtSerialControl::ErrorText() const {
    return ToUtf8(port_->errorString());
}

void QtSerialControl::HandleReadyRead() {
    if (rThreshold_ <= 0 || port_->bytesAvailable() < rThreshold_) return;
    commEvent_ = kEventReceive;
    RaiseOnComm();
}

// Linux hangs up a tty whose device is gone (a USB adapter pulled out, the other side
// of a pty closed): reads then see end of file, which QSerialPort reports as
// ReadError, over and over, rather than ResourceError. The loss is handled from the event
// loop, since QSerialPort may report it from inside one of its own calls.
void QtSerialControl::HandleError(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
    if (closing_ || !port_->isOpen() || lossPending_) return;
    lossPending_ = true;
    QMetaObject::invokeMethod(
        port_.get(), [this] { HandleLoss(); }, Qt::QueuedConnection);
}

void QtSerialControl::HandleLoss() {
    if (!lossPending_ || !port_->isOpen()) return;
    lossPending_ = false;
    // What the device sent before it went away is its last word (a final ACK, say): it is
    // handed on before the port closes and takes it along.
    if (rThreshold_ > 0 && port_->bytesAvailable() > 0) {
        commEvent_ = kEventReceive;
        RaiseOnComm();
    }
    if (!port_->isOpen()) return;
    Close();
    RaisePortLost();
}

bool QtSerialControl::WaitForOutput(int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (port_->isOpen() && port_->bytesToWrite() > 0) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || !port_->waitForBytesWritten(static_cast<int>(left))) break;
    }
    return !port_->isOpen() || port_->bytesToWrite() == 0;
}

}  // namespace ymodem
