#pragma once

#include <string>
#include <vector>

#include "ButtonControl.h"
#include "DrawnForm.h"
#include "FileChooser.h"
#include "Form1Controls.h"
#include "ListControl.h"
#include "PictureControl.h"
#include "ProgressBarControl.h"
#include "TextControl.h"

// The window's controls in memory, keeping what was set for the tests to read; a user's
// pick or click is Pick() or Click().
namespace ymodem::test {

class FakeList final : public ListControl {
public:
    std::vector<std::string> Items;
    int Index = -1;
    bool Enabled = true;

    void Pick(int index) { SetListIndex(index); }

    void SetClickHandler(Handler handler) override { handler_ = std::move(handler); }
    int ListIndex() const override { return Index; }
    void SetListIndex(int index) override {
        if (index < -1 || index >= ListCount() || index == Index) return;
        Index = index;
        if (handler_) handler_();
    }
    void AddItem(const std::string& text) override { Items.push_back(text); }
    int ListCount() const override { return static_cast<int>(Items.size()); }
    std::string List(int index) const override {
        return index >= 0 && index < ListCount() ? Items[index] : std::string();
    }
    std::string Text() const override { return List(Index); }
    void SetEnabled(bool enabled) override { Enabled = enabled; }

private:
    Handler handler_;
};

class FakeButton final : public ButtonControl {
public:
    std::string Caption;
    bool Focused = false;

    void Click() {
        if (handler_) handler_();
    }

    void SetClickHandler(Handler handler) override { handler_ = std::move(handler); }
    void SetCaption(const std::string& caption) override { Caption = caption; }
    void SetFocus() override { Focused = true; }

private:
    Handler handler_;
};

struct FakeText final : TextControl {
    std::string Text;
    explicit FakeText(std::string text = {}) : Text(std::move(text)) {}
    void SetText(const std::string& text) override { Text = text; }
};

struct FakePicture final : PictureControl {
    bool Visible;
    explicit FakePicture(bool visible) : Visible(visible) {}
    void SetVisible(bool visible) override { Visible = visible; }
};

struct FakeProgressBar final : ProgressBarControl {
    int Max = 100;
    int Value = 0;
    void SetMax(int max) override { Max = max; }
    void SetValue(int value) override { Value = value; }
};

// Gives back Answer, and keeps what it was asked with.
struct FakeFileChooser final : FileChooser {
    std::string Answer;
    std::string InitDir, Filter;
    std::string ShowOpen(const std::string& initDir, const std::string& filter) override {
        InitDir = initDir;
        Filter = filter;
        return Answer;
    }
};

// The window's controls in their first state, made from the drawn form as a front-end
// makes them.
struct FakeForm1Controls {
    FakeList ComboComm, CboBaud;
    FakeButton CmdOpenAndClosePort, Command2, Command1;
    FakePicture ImgSwitchOn{drawn::ControlNamed("ImgSwitchOn").Visible};
    FakeText Label1{std::string(drawn::ControlNamed("Label1").Caption)}, Text1,
        Label4{std::string(drawn::ControlNamed("Label4").Caption)};
    FakeProgressBar ProgressBar1;
    FakeFileChooser CommonDialog1;

    FakeForm1Controls() {
        for (const std::string_view entry : drawn::ControlNamed("CboBaud").Entries) {
            CboBaud.AddItem(std::string(entry));
        }
        CmdOpenAndClosePort.Caption = drawn::ControlNamed("CmdOpenAndClosePort").Caption;
        Command2.Caption = drawn::ControlNamed("Command2").Caption;
        Command1.Caption = drawn::ControlNamed("Command1").Caption;
    }
    Form1Controls Controls() {
        return {ComboComm, CboBaud, CmdOpenAndClosePort, ImgSwitchOn, Label1,       Command2,
                Command1,  Text1,   ProgressBar1,        Label4,      CommonDialog1};
    }
};

}  // namespace ymodem::test
