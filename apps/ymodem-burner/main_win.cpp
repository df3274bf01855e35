#include <windows.h>

#include "ComPortNaming.h"
#include "DiskBurnFileSource.h"
#include "Win32EventLoop.h"
#include "Win32Form1Window.h"
#include "Win32SerialBackend.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    ymodem::Win32EventLoop loop;
    ymodem::SerialControl comm(std::make_unique<ymodem::ComPortNaming>(),
                               std::make_unique<ymodem::Win32SerialBackend>(loop));
    ymodem::DiskBurnFileSource files;
    ymodem::Win32Form1Window window(loop, comm, files);
    window.Form().Form_Load();
    window.Show(show);
    return loop.Run();
}
