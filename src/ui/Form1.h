#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "BlockProgressBar.h"
#include "BurnFileSource.h"
#include "SerialControl.h"
#include "TransferDriver.h"
#include "WindowSettings.h"

namespace ymodem {

// Shows the open-file dialog; gives back the chosen path, or an empty text when the user
// chose nothing.
using FileChooser =
    std::function<QString(QWidget* parent, const QString& startPath, const QString& filter)>;

QString ChooseFileWithDialog(QWidget* parent, const QString& startPath, const QString& filter);

// The one window: port and baud lists, the open/close button with its lamp, the file line,
// the two file commands, the path box, the progress bar and the status line. It owns the
// transfer and all state for the life of the program.
class Form1 : public QWidget {
    Q_OBJECT

public:
    Form1(SerialControl& comm, BurnFileSource& files, FileChooser chooseFile = ChooseFileWithDialog,
          TransferDriver::Clock clock = TransferDriver::SteadyClock(),
          WindowSettings settings = WindowSettings(), QWidget* parent = nullptr);
    ~Form1() override;

    // Restores port, baud rate and burn file from the settings, scans the ports and
    // loads the file; runs once, before the window is first shown.
    void Load();

    TransferDriver& Driver() { return driver_; }

    // The window's controls, named as the rest of the system knows them.
    QComboBox* ComboComm;
    QComboBox* CboBaud;
    QPushButton* CmdOpenAndClosePort;
    QLabel* ImgSwitchOff;
    QLabel* ImgSwitchOn;
    QLabel* Label1;
    QPushButton* Command2;
    QPushButton* Command1;
    QLineEdit* Text1;
    BlockProgressBar* ProgressBar1;
    QLabel* Label4;

    // The window's own variables.
    std::string FilePath;   // the burn file's full path, UTF-8; never empty after Load()
    std::string SavedComm;  // the port name last stored in the settings, UTF-8
    std::int16_t SavedBaud = 0;
    bool PortOpened = false;

    void ScanComPorts();
    void ApplyCommSettings();
    void CmdOpenAndClosePort_Click();
    void Command1_Click();
    void Command2_Click();

    // The status line and the file information line, each sized to its text.
    void ShowStatus(const QString& text);
    void ShowFileInfo(const QString& text);

protected:
    bool event(QEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    void ConnectControls();
    void Form_Activate();
    void OnPortLost();
    void ShowClosedPort();

    void ShowEvent(const TransferEvent& event);

    SerialControl& MSComm;
    FileChooser chooseFile_;
    WindowSettings settings_;
    TransferDriver driver_;
    bool activated_ = false;
};

}  // namespace ymodem
