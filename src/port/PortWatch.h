#pragma once

namespace ymodem {

// News of a port waited for, while it lasts: the one who asked for it is told of every
// change where the port would appear, until this is dropped.
class PortWatch {
public:
    virtual ~PortWatch() = default;
};

}  // namespace ymodem
