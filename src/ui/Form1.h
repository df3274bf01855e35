#pragma once

#include <functional>
#include <memory>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "BlockProgressBar.h"
#include "BurnFileSource.h"
#include "SerialControl.h"
#include "TransferDriver.h"
#include "TransferEngine.h"
#include "TransferView.h"

namespace ymodem {

// Shows the open-file dialog; gives back the chosen path, or an empty text when the user
// chose nothing.
using FileChooser =
    std::function<QString(QWidget* parent, const QString& startPath, const QString& filter)>;

QString ChooseFileWithDialog(QWidget* parent, const QString& startPath, const QString& filter);

// The one window: port and baud lists, the open/close button with its lamp, the file line,
// the two file commands, the path box, the progress bar and the status line. It owns the
// transfer engine and all state for the life of the program.
class Form1 : public QWidget, public TransferView {
    Q_OBJECT

public:
    Form1(SerialControl& comm, BurnFileSource& files, FileChooser chooseFile = ChooseFileWithDialog,
          QWidget* parent = nullptr);
    ~Form1() override;

    // Restores port, baud rate and burn file from the settings, scans the ports and
    // loads the file; runs once, before the window is first shown.
    void Load();

    TransferEngine& Engine() { return engine_; }
    TransferState& State() { return engine_.State(); }

    // The view of the transfer engine.
    void SetStatusText(const std::string& text) override;
    void SetFileInfoText(const std::string& text) override;
    int ProgressMax() const override;
    void SetProgressMax(int max) override;
    int ProgressValue() const override;
    void SetProgressValue(int value) override;

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

    void ScanComPorts();
    void ApplyCommSettings();
    void CmdOpenAndClosePort_Click();
    void Command1_Click();
    void Command2_Click();

protected:
    bool event(QEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    void ConnectControls();
    void Form_Activate();
    void OnPortLost();
    void LoadBurnFile();
    void ShowClosedPort();

    std::string ReadSetting(const char* key, const QString& defaultValue) const;
    void WriteSetting(const char* key, const QString& value) const;

    SerialControl& MSComm;
    FileChooser chooseFile_;
    TransferEngine engine_;
    TransferDriver driver_;
    bool activated_ = false;
};

}  // namespace ymodem
