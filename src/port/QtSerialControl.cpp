#include "QtSerialControl.h"

#include <QElapsedTimer>

#include <algorithm>

#include <QScopedValueRollback>

#include "CommError.h"
#include "OpenErrorNumber.h"
#include "PortAccess.h"
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

}  // namespace

QtSerialControl::QtSerialControl(QObject* parent)
    : QtSerialControl(PortNaming::ForThisSystem(), parent) {}

QtSerialControl::QtSerialControl(std::unique_ptr<PortNaming> naming, QObject* parent)
    : SerialControl(parent),
      naming_(std::move(naming)),
      port_(new QSerialPort(this)),
      name_(naming_->DefaultName()) {
    connect(port_, &QSerialPort::readyRead, this, &QtSerialControl::HandleReadyRead);
    connect(port_, &QSerialPort::errorOccurred, this, &QtSerialControl::HandleError);
}

QtSerialControl::~QtSerialControl() {
    // The port outlives this part of the object; its last errors must not reach it.
    port_->disconnect(this);
}

QStringList QtSerialControl::PortCandidates() const {
    return naming_->Candidates();
}

void QtSerialControl::SetCommPort(const QString& listText) {
    RequirePortClosed(port_->isOpen());
    name_ = naming_->NameFromListText(listText);
}

QString QtSerialControl::CommPortName() const {
    return name_;
}

void QtSerialControl::SetSettings(const QString& settings) {
    const LineSettings parsed = SettingsFromText(settings);
    if (!Apply(parsed)) {
        const std::string reason = port_->errorString().toStdString();
        Apply(settings_);
        throw CommError(CommError::kHardwareUnavailable, reason);
    }
    settings_ = parsed;
}

QString QtSerialControl::Settings() const {
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
    const QString device = naming_->DeviceFor(name_);
    port_->setPortName(device);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    Apply(settings_);
    if (!port_->open(QIODevice::ReadWrite)) {
        const int number = OpenErrorNumber(port_->error(), PortAccess::CanReadWrite(device));
        throw CommError(number,
                        (device + QStringLiteral(": ") + port_->errorString()).toStdString());
    }
    // QSerialPort opens even when the device refuses the recorded settings.
    if (!Apply(settings_)) {
        const std::string reason = port_->errorString().toStdString();
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

void QtSerialControl::HandleReadyRead() {
    if (rThreshold_ <= 0 || port_->bytesAvailable() < rThreshold_) return;
    commEvent_ = kEventReceive;
    emit OnComm();
}

// Linux hangs up a tty whose device is gone (a USB adapter pulled out, the other side
// of a pty closed): reads then see end of file, which QSerialPort reports as
// ReadError, over and over, rather than ResourceError.
void QtSerialControl::HandleError(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
    if (closing_ || !port_->isOpen()) return;
    // What the device sent before it went away is its last word (a final ACK, say): it is
    // handed on before the port closes and takes it along.
    if (rThreshold_ > 0 && port_->bytesAvailable() > 0) {
        commEvent_ = kEventReceive;
        emit OnComm();
    }
    if (!port_->isOpen()) return;
    Close();
    QMetaObject::invokeMethod(this, &QtSerialControl::PortLost, Qt::QueuedConnection);
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
