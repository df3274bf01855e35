#pragma once

namespace ymodem {

// A picture that is shown or hidden.
class PictureControl {
public:
    virtual ~PictureControl() = default;

    virtual void SetVisible(bool visible) = 0;
};

}  // namespace ymodem
