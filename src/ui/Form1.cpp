#include "Form1.h"

#include <QEvent>
#include <QFileDialog>
#include <QSignalBlocker>

#include "BaudRates.h"
#include "CommError.h"
#include "CommSetup.h"
#include "EventText.h"
#include "NativeSeparators.h"
#include "StatusTexts.h"
#include "SystemEncoding.h"
#include "Utf8Text.h"
#include "WindowFonts.h"

namespace ymodem {

namespace {

constexpr const char* kOpenCaption = "打开串口(&O)";
constexpr const char* kCloseCaption = "关闭串口(&O)";
constexpr const char* kBurnFileFilter = "烧写文件(*.bin)";

void ShowRed(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    label->setPalette(palette);
}

}  // namespace

QString ChooseFileWithDialog(QWidget* parent, const QString& startPath, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), startPath, filter);
}

Form1::Form1(SerialControl& comm, BurnFileSource& files, FileChooser chooseFile,
             TransferDriver::Clock clock, WindowSettings settings, QWidget* parent)
    : QWidget(parent),
      MSComm(comm),
      chooseFile_(std::move(chooseFile)),
      settings_(std::move(settings)),
      driver_(comm, files, ToSystem8Bit, std::move(clock)) {
    setObjectName("Form1");
    setWindowTitle("Ymodem文件传输 v1.1");
    setFont(WindowFonts::Default());
    setFixedSize(545, 145);
    CreateControls();
    SetTabOrder();
    ConnectControls();
}

Form1::~Form1() = default;

void Form1::CreateControls() {
    auto place = [this](QWidget* control, const char* name, int x, int y, int w, int h) {
        control->setObjectName(name);
        control->setGeometry(x, y, w, h);
    };
    ComboComm = new QComboBox(this);
    place(ComboComm, "ComboComm", 15, 10, 75, 20);
    CboBaud = new QComboBox(this);
    place(CboBaud, "CboBaud", 15, 33, 75, 20);
    for (const std::string_view rate : kBaudRates) CboBaud->addItem(FromUtf8(rate));
    CboBaud->setCurrentIndex(-1);

    CmdOpenAndClosePort = new QPushButton(kOpenCaption, this);
    place(CmdOpenAndClosePort, "CmdOpenAndClosePort", 96, 9, 85, 45);
    CmdOpenAndClosePort->setFont(WindowFonts::OpenButton());
    CmdOpenAndClosePort->setToolTip("打开串口后会自动监听握手信号");

    ImgSwitchOff = new QLabel(this);
    place(ImgSwitchOff, "ImgSwitchOff", 183, 27, 11, 11);
    ImgSwitchOff->setPixmap(QPixmap(":/lamps/lamp_off.bmp"));
    ImgSwitchOn = new QLabel(this);
    place(ImgSwitchOn, "ImgSwitchOn", 183, 27, 11, 11);
    ImgSwitchOn->setPixmap(QPixmap(":/lamps/lamp_on.bmp"));
    ImgSwitchOn->hide();  // lies over the grey lamp while the port is open

    Label1 = new QLabel(FromUtf8(texts::kWelcome), this);
    place(Label1, "Label1", 198, 24, 52, 17);
    Label1->setFont(WindowFonts::FileLine());
    ShowRed(Label1);
    Label1->adjustSize();

    Command2 = new QPushButton("重新加载", this);
    place(Command2, "Command2", 450, 21, 82, 28);
    Command1 = new QPushButton("选择程序...", this);
    place(Command1, "Command1", 450, 57, 82, 28);

    Text1 = new QLineEdit(this);
    place(Text1, "Text1", 15, 60, 430, 25);
    // The path shown is never read back; typing into it would only mislead.
    Text1->setReadOnly(true);

    ProgressBar1 = new BlockProgressBar(this);
    place(ProgressBar1, "ProgressBar1", 15, 90, 517, 22);
    ProgressBar1->SetValue(driver_.ProgressBar().Value);
    ProgressBar1->SetMax(driver_.ProgressBar().Max);
    ProgressBar1->setFocusPolicy(Qt::NoFocus);

    Label4 = new QLabel(FromUtf8(texts::kWelcome), this);
    place(Label4, "Label4", 15, 120, 69, 21);
    Label4->setFont(WindowFonts::StatusLine());
    ShowRed(Label4);
    Label4->adjustSize();
}

void Form1::SetTabOrder() {
    QWidget* const order[] = {Text1, Command1, CmdOpenAndClosePort, ComboComm, Command2, CboBaud};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void Form1::ConnectControls() {
    connect(ComboComm, &QComboBox::currentIndexChanged, this, &Form1::ApplyCommSettings);
    connect(CboBaud, &QComboBox::currentIndexChanged, this, &Form1::ApplyCommSettings);
    connect(CmdOpenAndClosePort, &QPushButton::clicked, this, &Form1::CmdOpenAndClosePort_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(&MSComm, &SerialControl::PortLost, this, &Form1::OnPortLost);
    driver_.OnEvent([this](const TransferEvent& event) { ShowEvent(event); });
}

// ---- start-up and activation -----------------------------------------------------------

void Form1::Load() {
    SavedComm = settings_.Read("SaveComm", "COM1");
    SavedBaud = WindowSettings::BaudEntryFromText(settings_.Read("CboBaud", "3"));
    CboBaud->setCurrentIndex(SavedBaud);
    ScanComPorts();
    ApplyCommSettings();
    driver_.FillProgressBar();
    FilePath = settings_.Read("Path", WindowSettings::DefaultBurnFilePath());
    Text1->setText(FromUtf8(FilePath));
    // The sender is idle from its start, and a load ends any transfer.
    driver_.LoadBurnFile(FilePath);
    ShowStatus(FromUtf8(texts::kWelcome));
}

bool Form1::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        Form_Activate();
    }
    return QWidget::event(event);
}

void Form1::Form_Activate() {
    CmdOpenAndClosePort->setFocus();
}

// ---- ports -----------------------------------------------------------------------------

void Form1::ScanComPorts() {
    {
        const QSignalBlocker quiet(ComboComm);
        for (const QString& name : MSComm.PortCandidates()) {
            try {
                MSComm.SetCommPort(name);
            } catch (const CommError&) {
                continue;  // no such port to try
            }
            try {
                MSComm.SetPortOpen(true);
            } catch (const CommError& error) {
                // A port held by another program is still a port the user may want.
                if (error.Number() == CommError::kPortAlreadyOpen) ComboComm->addItem(name);
            }
            try {
                if (MSComm.PortOpen()) {
                    MSComm.SetPortOpen(false);
                    ComboComm->addItem(name);
                }
            } catch (const CommError&) {
                // A port that will not close again is no port to offer.
            }
        }
        ComboComm->setCurrentIndex(ComboComm->count() > 0 ? 0 : -1);
    }
    const int saved =
        ComboComm->findText(FromUtf8(SavedComm), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (saved >= 0) ComboComm->setCurrentIndex(saved);
}

void Form1::ApplyCommSettings() {
    try {
        ApplyLineSettings(MSComm, ComboComm->currentText(), CboBaud->currentText());
    } catch (const CommError&) {
        // What the control refuses ends here; the settings applied so far stay.
    }
}

void Form1::CmdOpenAndClosePort_Click() {
    PortOpened = !PortOpened;
    try {
        if (PortOpened) {
            MSComm.SetPortOpen(true);
            CmdOpenAndClosePort->setText(kCloseCaption);
            ImgSwitchOn->show();
            ComboComm->setEnabled(false);
            CboBaud->setEnabled(false);
            ShowStatus(PortOpenedText(MSComm));
            const QString port = ComboComm->currentText();
            if (!port.isEmpty() && ToUtf8(port) != SavedComm) {
                SavedComm = ToUtf8(port);
                settings_.Write("SaveComm", port);
            }
            if (CboBaud->currentIndex() != SavedBaud) {
                SavedBaud = static_cast<std::int16_t>(CboBaud->currentIndex());
                settings_.Write("CboBaud", QString::number(SavedBaud));
            }
        } else {
            MSComm.SetPortOpen(false);
            ShowClosedPort();
            ShowStatus(PortClosedText(MSComm));
        }
    } catch (const CommError& error) {
        const QString failure = PortFailureText(MSComm, error.Number());
        if (!failure.isEmpty()) ShowStatus(failure);
        PortOpened = false;
        ComboComm->setEnabled(true);
    }
}

void Form1::ShowClosedPort() {
    ImgSwitchOn->hide();
    CmdOpenAndClosePort->setText(kOpenCaption);
    ComboComm->setEnabled(true);
    CboBaud->setEnabled(true);
}

// The device went away under an open port: the control has closed itself, so the window
// shows what a close would. The transfer has ended with it, and the message stays.
void Form1::OnPortLost() {
    PortOpened = false;
    ShowClosedPort();
    ShowStatus(PortFailureText(MSComm, CommError::kDeviceUnavailable));
}

// ---- file commands ---------------------------------------------------------------------

void Form1::Command1_Click() {
    const QString chosen = chooseFile_(this, FromUtf8(FilePath), kBurnFileFilter);
    const std::string previous = FilePath;
    FilePath = ToNativeSeparators(ToUtf8(chosen));
    if (!FilePath.empty()) {
        if (FilePath != previous) settings_.Write("Path", FromUtf8(FilePath));
        driver_.LoadBurnFile(FilePath);
    } else {
        FilePath = settings_.Read("Path", WindowSettings::DefaultBurnFilePath());
    }
    Text1->setText(FromUtf8(FilePath));
}

void Form1::Command2_Click() {
    driver_.LoadBurnFile(FilePath);
    ShowStatus(FromUtf8(texts::kReloaded));
}

// ---- what the transfer reports -----------------------------------------------------------

void Form1::ShowEvent(const TransferEvent& event) {
    if (const auto* bar = std::get_if<event::Progress>(&event)) {
        ProgressBar1->SetValue(bar->Value);
        ProgressBar1->SetMax(bar->Max);
        return;
    }
    const auto text = PresentEvent(event);
    if (!text) return;
    if (text->Line == TextLine::FileInfo) {
        ShowFileInfo(FromUtf8(text->Text));
    } else {
        ShowStatus(FromUtf8(text->Text));
    }
}

void Form1::ShowStatus(const QString& text) {
    Label4->setText(text);
    Label4->adjustSize();
}

void Form1::ShowFileInfo(const QString& text) {
    Label1->setText(text);
    Label1->adjustSize();
}

}  // namespace ymodem
