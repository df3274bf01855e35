#pragma once

#include <string>

namespace ymodem {

// The modal open-file dialog.
class FileChooser {
public:
    virtual ~FileChooser() = default;

    // Starts at initDir (a folder, or a file's path) and offers the files matching the
    // filter, such as "烧写文件(*.bin)"; gives the chosen path, UTF-8, or an empty text when
    // the user chose nothing.
    virtual std::string ShowOpen(const std::string& initDir, const std::string& filter) = 0;
};

}  // namespace ymodem
