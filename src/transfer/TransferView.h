#pragma once

#include <string>

namespace ymodem {

// The window's controls that the transfer engine writes: the status line (Label4),
// the file information line (Label1) and the progress bar (ProgressBar1).
// Texts are UTF-8. Max and Value must read back exactly as they were set.
class TransferView {
public:
    virtual ~TransferView() = default;

    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetFileInfoText(const std::string& text) = 0;
    virtual int ProgressMax() const = 0;
    virtual void SetProgressMax(int max) = 0;
    virtual int ProgressValue() const = 0;
    virtual void SetProgressValue(int value) = 0;
};

}  // namespace ymodem
