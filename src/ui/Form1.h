#pragma once

#include <cstdint>
#include <string>

#include "BurnFileSource.h"
#include "Form1Controls.h"
#include "SerialControl.h"
#include "TransferDriver.h"
#include "WakeTimer.h"
#include "WindowSettings.h"

namespace ymodem {

// The one window's behaviour: port and baud lists, the open/close button with its lamp,
// the file line, the two file commands, the path box, the progress bar and the status line.
// It owns the transfer and all state for the life of the program, and works on the
// controls a front-end made for it, which it knows by their drawn names.
class Form1 : public Form1Controls {
public:
    Form1(const Form1Controls& controls, SerialControl& comm, BurnFileSource& files,
          WakeTimer& wake, TransferDriver::Clock clock = TransferDriver::SteadyClock(),
          WindowSettings settings = WindowSettings());
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Restores port, baud rate and burn file from the settings, scans the ports and
    // loads the file; runs once, before the window is first shown.
    void Form_Load();
    // The window became the active one: the first time, the open button takes the focus.
    void Form_Activate();

    TransferDriver& Driver() { return driver_; }

    // The window's own variables.
    std::string FilePath;   // the burn file's full path, UTF-8; never empty after Form_Load()
    std::string SavedComm;  // the port name last stored in the settings, UTF-8
    std::int16_t SavedBaud = 0;
    bool PortOpened = false;

    void ScanComPorts();
    void ApplyCommSettings();
    void ComboComm_Click();
    void CboBaud_Click();
    void CmdOpenAndClosePort_Click();
    void Command1_Click();
    void Command2_Click();

private:
    void ConnectControls();
    void DisconnectControls();
    void OnPortLost();
    void ShowClosedPort();
    void ShowEvent(const TransferEvent& event);

    SerialControl& MSComm;
    WindowSettings settings_;
    TransferDriver driver_;
    bool scanning_ = false;
    bool activated_ = false;
};

}  // namespace ymodem
