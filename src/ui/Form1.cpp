#include "Form1.h"

#include "CommError.h"
#include "CommSetup.h"
#include "DrawnForm.h"
#include "EventText.h"
#include "NativeSeparators.h"
#include "StatusTexts.h"
#include "SystemFileNaming.h"

namespace ymodem {

namespace {

// The dialog's filter as the old common dialog took it: the description, then the pattern.
constexpr const char* kBurnFileFilter = "烧写文件(*.bin)|*.bin";

}  // namespace

Form1::Form1(const Form1Controls& controls, SerialControl& comm, BurnFileSource& files,
             WakeTimer& wake, TransferDriver::Clock clock, WindowSettings settings)
    : Form1Controls(controls),
      MSComm(comm),
      settings_(std::move(settings)),
      driver_(comm, files, SystemFileNaming(), wake, std::move(clock)) {
    ProgressBar1.SetValue(driver_.ProgressBar().Value);
    ProgressBar1.SetMax(driver_.ProgressBar().Max);
    ConnectControls();
}

Form1::~Form1() {
    DisconnectControls();
}

void Form1::ConnectControls() {
    ComboComm.SetClickHandler([this] { ComboComm_Click(); });
    CboBaud.SetClickHandler([this] { CboBaud_Click(); });
    CmdOpenAndClosePort.SetClickHandler([this] { CmdOpenAndClosePort_Click(); });
    Command1.SetClickHandler([this] { Command1_Click(); });
    Command2.SetClickHandler([this] { Command2_Click(); });
    driver_.OnEvent([this](const TransferEvent& event) { ShowEvent(event); });
    driver_.OnPortLost([this] { OnPortLost(); });
}

// The controls may outlive the window's behaviour, as a toolkit tears down its widgets.
void Form1::DisconnectControls() {
    ComboComm.SetClickHandler({});
    CboBaud.SetClickHandler({});
    CmdOpenAndClosePort.SetClickHandler({});
    Command1.SetClickHandler({});
    Command2.SetClickHandler({});
}

// ---- start-up and activation -----------------------------------------------------------

void Form1::Form_Load() {
    SavedComm = settings_.Read("SaveComm", "COM1");
    SavedBaud = WindowSettings::BaudEntryFromText(settings_.Read("CboBaud", "3"));
    CboBaud.SetListIndex(SavedBaud);
    ScanComPorts();
    ApplyCommSettings();
    driver_.FillProgressBar();
    FilePath = settings_.Read("Path", WindowSettings::DefaultBurnFilePath());
    Text1.SetText(FilePath);
    // The sender is idle from its start, and a load ends any transfer.
    driver_.LoadBurnFile(FilePath);
    Label4.SetText(std::string(texts::kWelcome));
}

void Form1::Form_Activate() {
    if (activated_) return;
    activated_ = true;
    CmdOpenAndClosePort.SetFocus();
}

// ---- ports -----------------------------------------------------------------------------

void Form1::ScanComPorts() {
    scanning_ = true;
    for (const std::string& name : MSComm.PortCandidates()) {
        try {
            MSComm.SetCommPort(name);
        } catch (const CommError&) {
            continue;  // no such port to try
        }
        try {
            MSComm.SetPortOpen(true);
        } catch (const CommError& error) {
            // A port held by another program is still a port the user may want.
            if (error.Number() == CommError::kPortAlreadyOpen) ComboComm.AddItem(name);
        }
        try {
            if (MSComm.PortOpen()) {
                MSComm.SetPortOpen(false);
                ComboComm.AddItem(name);
            }
        } catch (const CommError&) {
            // A port that will not close again is no port to offer.
        }
    }
    // The first entry is where the list starts, not a pick: the settings follow the scan.
    ComboComm.SetListIndex(ComboComm.ListCount() > 0 ? 0 : -1);
    scanning_ = false;
    for (int i = 0; i < ComboComm.ListCount(); ++i) {
        if (ComboComm.List(i) == SavedComm) {
            ComboComm.SetListIndex(i);
            break;
        }
    }
}

void Form1::ApplyCommSettings() {
    try {
        ApplyLineSettings(MSComm, ComboComm.Text(), CboBaud.Text());
    } catch (const CommError&) {
        // What the control refuses ends here; the settings applied so far stay.
    }
}

void Form1::ComboComm_Click() {
    if (!scanning_) ApplyCommSettings();
}

void Form1::CboBaud_Click() {
    ApplyCommSettings();
}

void Form1::CmdOpenAndClosePort_Click() {
    PortOpened = !PortOpened;
    try {
        if (PortOpened) {
            MSComm.SetPortOpen(true);
            CmdOpenAndClosePort.SetCaption(std::string(drawn::kCloseCaption));
            ImgSwitchOn.SetVisible(true);
            ComboComm.SetEnabled(false);
            CboBaud.SetEnabled(false);
            Label4.SetText(PortOpenedText(MSComm));
            const std::string port = ComboComm.Text();
            if (!port.empty() && port != SavedComm) {
                SavedComm = port;
                settings_.Write("SaveComm", port);
            }
            if (CboBaud.ListIndex() != SavedBaud) {
                SavedBaud = static_cast<std::int16_t>(CboBaud.ListIndex());
                settings_.Write("CboBaud", std::to_string(SavedBaud));
            }
        } else {
            MSComm.SetPortOpen(false);
            ShowClosedPort();
            Label4.SetText(PortClosedText(MSComm));
        }
    } catch (const CommError& error) {
        const std::string failure = PortFailureText(MSComm, error.Number());
        if (!failure.empty()) Label4.SetText(failure);
        PortOpened = false;
        ComboComm.SetEnabled(true);
    }
}

void Form1::ShowClosedPort() {
    ImgSwitchOn.SetVisible(false);
    CmdOpenAndClosePort.SetCaption(std::string(drawn::kOpenCaption));
    ComboComm.SetEnabled(true);
    CboBaud.SetEnabled(true);
}

// The device went away under an open port: the control has closed itself, so the window
// shows what a close would. The transfer has ended with it, and the message stays.
void Form1::OnPortLost() {
    PortOpened = false;
    ShowClosedPort();
    Label4.SetText(PortFailureText(MSComm, CommError::kDeviceUnavailable));
}

// ---- file commands ---------------------------------------------------------------------

void Form1::Command1_Click() {
    const std::string chosen = CommonDialog1.ShowOpen(FilePath, kBurnFileFilter);
    const std::string previous = FilePath;
    FilePath = ToNativeSeparators(chosen);
    if (!FilePath.empty()) {
        if (FilePath != previous) settings_.Write("Path", FilePath);
        driver_.LoadBurnFile(FilePath);
    } else {
        FilePath = settings_.Read("Path", WindowSettings::DefaultBurnFilePath());
    }
    Text1.SetText(FilePath);
}

// A reload that fails leaves the load's own text standing: saying 已重新加载! there would
// have a production line flash the previous build in the belief that it had the new one.
void Form1::Command2_Click() {
    if (driver_.LoadBurnFile(FilePath)) Label4.SetText(std::string(texts::kReloaded));
}

// ---- what the transfer reports -----------------------------------------------------------

void Form1::ShowEvent(const TransferEvent& event) {
    if (const auto* bar = std::get_if<event::Progress>(&event)) {
        ProgressBar1.SetValue(bar->Value);
        ProgressBar1.SetMax(bar->Max);
        return;
    }
    const auto text = PresentEvent(event);
    if (!text) return;
    if (text->Line == TextLine::FileInfo) {
        Label1.SetText(text->Text);
    } else {
        Label4.SetText(text->Text);
    }
}

}  // namespace ymodem
