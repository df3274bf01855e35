#pragma once

#include "ButtonControl.h"
#include "FileChooser.h"
#include "ListControl.h"
#include "PictureControl.h"
#include "ProgressBarControl.h"
#include "TextControl.h"

namespace ymodem {

// The controls of the window that Form1 works with, made by a front-end from the drawn
// form. The grey lamp is missing: nothing ever changes it.
struct Form1Controls {
    ListControl& ComboComm;
    ListControl& CboBaud;
    ButtonControl& CmdOpenAndClosePort;
    PictureControl& ImgSwitchOn;
    TextControl& Label1;
    ButtonControl& Command2;
    ButtonControl& Command1;
    TextControl& Text1;
    ProgressBarControl& ProgressBar1;
    TextControl& Label4;
    FileChooser& CommonDialog1;
};

}  // namespace ymodem
