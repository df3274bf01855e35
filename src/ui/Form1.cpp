#include "Form1.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QSignalBlocker>

#include "CommError.h"
#include "CommSetup.h"
#include "IniSettings.h"
#include "NumberText.h"
#include "SettingsLocation.h"
#include "StatusTexts.h"
#include "SystemEncoding.h"
#include "WindowFonts.h"

namespace ymodem {

namespace {

constexpr const char* kSection = "Para1";
constexpr const char* kOpenCaption = "打开串口(&O)";
constexpr const char* kCloseCaption = "关闭串口(&O)";
constexpr const char* kBurnFileFilter = "烧写文件(*.bin)";
constexpr int kLastBaudEntry = 4;

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

QString DefaultBurnFilePath() {
#ifdef _WIN32
    return QStringLiteral("C:\\");
#else
    // A folder, as on Windows: the first load fails and the dialog opens there.
    return QDir::homePath() + QLatin1Char('/');
#endif
}

// The stored baud entry: negative numbers and non-numbers select the first entry, numbers
// past the last entry (or beyond 16 bits) the last one.
std::int16_t BaudEntryFromText(const std::string& text) {
    const double number = LeadingNumber(text);
    const auto rounded = RoundToInt16(number);
    if (!rounded) return number > 0 ? kLastBaudEntry : 0;
    return std::clamp<std::int16_t>(*rounded, 0, kLastBaudEntry);
}

void ShowRed(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    label->setPalette(palette);
}

}  // namespace

QString ChooseFileWithDialog(QWidget* parent, const QString& startPath, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), startPath, filter);
}

Form1::Form1(SerialControl& comm, BurnFileSource& files, FileChooser chooseFile, QWidget* parent)
    : QWidget(parent),
      MSComm(comm),
      chooseFile_(std::move(chooseFile)),
      engine_(comm, *this, files, ToSystem8Bit),
      driver_(comm, engine_) {
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
    CboBaud->addItems({"9600", "19200", "38400", "57600", "115200"});
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
}

// ---- settings --------------------------------------------------------------------------

std::string Form1::ReadSetting(const char* key, const QString& defaultValue) const {
    return FromSystem8Bit(
        ReadIniStr(SettingsFilePath(), kSection, key, ToSystem8Bit(ToUtf8(defaultValue))));
}

void Form1::WriteSetting(const char* key, const QString& value) const {
    WriteIniStr(SettingsFilePath(), kSection, key, ToSystem8Bit(ToUtf8(value)));
}

// ---- start-up and activation -----------------------------------------------------------

void Form1::Load() {
    TransferState& state = State();
    state.SavedComm = ReadSetting("SaveComm", "COM1");
    state.SavedBaud = BaudEntryFromText(ReadSetting("CboBaud", "3"));
    CboBaud->setCurrentIndex(state.SavedBaud);
    ScanComPorts();
    ApplyCommSettings();
    SetProgressValue(ProgressMax());
    state.FilePath = ReadSetting("Path", DefaultBurnFilePath());
    Text1->setText(FromUtf8(state.FilePath));
    LoadBurnFile();
    state.SendStep = 0;
    SetStatusText(std::string(texts::kWelcome));
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
        ComboComm->findText(FromUtf8(State().SavedComm), Qt::MatchExactly | Qt::MatchCaseSensitive);
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
    TransferState& state = State();
    state.PortOpened = !state.PortOpened;
    try {
        if (state.PortOpened) {
            MSComm.SetPortOpen(true);
            CmdOpenAndClosePort->setText(kCloseCaption);
            ImgSwitchOn->show();
            ComboComm->setEnabled(false);
            CboBaud->setEnabled(false);
            SetStatusText(ToUtf8(PortOpenedText(MSComm)));
            const QString port = ComboComm->currentText();
            if (!port.isEmpty() && ToUtf8(port) != state.SavedComm) {
                state.SavedComm = ToUtf8(port);
                WriteSetting("SaveComm", port);
            }
            if (CboBaud->currentIndex() != state.SavedBaud) {
                state.SavedBaud = static_cast<std::int16_t>(CboBaud->currentIndex());
                WriteSetting("CboBaud", QString::number(state.SavedBaud));
            }
        } else {
            MSComm.SetPortOpen(false);
            ShowClosedPort();
            SetStatusText(ToUtf8(PortClosedText(MSComm)));
        }
    } catch (const CommError& error) {
        const QString failure = PortFailureText(MSComm, error.Number());
        if (!failure.isEmpty()) SetStatusText(ToUtf8(failure));
        state.PortOpened = false;
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
// shows what a close would, and the transfer ends through the silence watchdog.
void Form1::OnPortLost() {
    State().PortOpened = false;
    ShowClosedPort();
    SetStatusText(ToUtf8(PortFailureText(MSComm, CommError::kDeviceUnavailable)));
}

// ---- file commands ---------------------------------------------------------------------

void Form1::LoadBurnFile() {
    engine_.LoadBurnFile();
    driver_.Rearm();
}

void Form1::Command1_Click() {
    TransferState& state = State();
    const QString chosen = chooseFile_(this, FromUtf8(state.FilePath), kBurnFileFilter);
    const std::string previous = state.FilePath;
    state.FilePath = ToUtf8(chosen);
    if (!state.FilePath.empty()) {
        if (state.FilePath != previous) WriteSetting("Path", chosen);
        LoadBurnFile();
    } else {
        state.FilePath = ReadSetting("Path", DefaultBurnFilePath());
    }
    Text1->setText(FromUtf8(state.FilePath));
}

void Form1::Command2_Click() {
    LoadBurnFile();
    SetStatusText(std::string(texts::kReloaded));
}

// ---- the engine's view -----------------------------------------------------------------

void Form1::SetStatusText(const std::string& text) {
    Label4->setText(FromUtf8(text));
    Label4->adjustSize();
}

void Form1::SetFileInfoText(const std::string& text) {
    Label1->setText(FromUtf8(text));
    Label1->adjustSize();
}

int Form1::ProgressMax() const {
    return ProgressBar1->Max();
}
void Form1::SetProgressMax(int max) {
    ProgressBar1->SetMax(max);
}
int Form1::ProgressValue() const {
    return ProgressBar1->Value();
}
void Form1::SetProgressValue(int value) {
    ProgressBar1->SetValue(value);
}

}  // namespace ymodem
