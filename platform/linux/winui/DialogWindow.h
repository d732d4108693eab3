// A dialog built from its template: the frame with the caption, the client
// area, and the controls in template order. Messages sent to it go to its
// dialog procedure first; what that leaves is handled as DefDlgProcA does.
#pragma once

#include "DialogTemplate.h"
#include "WindowObject.h"

#include <memory>
#include <vector>

namespace win32::detail {

class DialogFrame;

class DialogWindow : public WindowObject
{
public:
    // Null when the template cannot be found or read.
    static DialogWindow* create(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC procedure,
                                LPARAM initParam);
    ~DialogWindow() override;

    juce::Component& component() override;
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void move(juce::Rectangle<int> bounds) override;
    juce::Rectangle<int> screenBounds() override;

    // DefDlgProcA: what a dialog does with a message its procedure leaves.
    LRESULT defaultMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    DialogFrame& frame() { return *frameWindow; }
    const std::vector<WindowObject*>& children() const { return childOrder; }

    // DWLP_MSGRESULT: the result the dialog procedure leaves for the message at hand.
    LONG_PTR setMessageResult(LONG_PTR value);
    LONG_PTR messageResult() const { return procedureResult; }

    void end(INT_PTR result);
    bool hasEnded() const { return ended; }
    INT_PTR endResult() const { return result; }

    // ShowWindow on the dialog. Once called, the dialog manager no longer
    // shows the dialog itself after WM_INITDIALOG.
    BOOL show(int command);

    // DestroyWindow: the dialog and its controls lose their handles at once;
    // the objects go once the message at hand has been handled.
    static void destroy(DialogWindow* dialog);
    // DestroyWindow on one control: it leaves the dialog's children.
    void removeChild(WindowObject* child);

    // The frame's sizes around the client area for a dialog of this style.
    static juce::BorderSize<int> frameBorder(DWORD style, DWORD exStyle);

    // GetSystemMenu: the dialog's system menu, made on first use.
    HMENU systemMenu(bool revert);
    // Opens the system menu at a screen position; the choice comes back as WM_SYSCOMMAND.
    void showSystemMenu(juce::Point<int> at);
    // Whether the system menu's Close is enabled: the close box and Alt+F4 do nothing otherwise.
    bool canClose();

private:
    class Client;
    class Withdrawal;

    DialogWindow(HWND parent, const DialogTemplate& dialogTemplate, DLGPROC procedure, LPARAM initParam);
    void build(HINSTANCE instance, const DialogTemplate& dialogTemplate);
    std::unique_ptr<WindowObject> createControl(HINSTANCE instance, const DialogItemTemplate& item);
    void pressDefaultButton();
    void cancel();
    void withdrawSoon();

    DLGPROC procedure;
    LPARAM initParam;
    std::unique_ptr<Client> client;
    std::unique_ptr<DialogFrame> frameWindow;
    std::unique_ptr<Withdrawal> withdrawal;
    std::vector<std::unique_ptr<WindowObject>> controls;
    std::vector<WindowObject*> childOrder;
    HFONT ownFont = nullptr;
    HMENU ownSystemMenu = nullptr;
    LONG_PTR procedureResult = 0;
    int handling = 0;
    bool destroying = false;
    bool destroyPending = false;
    bool visibilityDecided = false;
    bool ended = false;
    INT_PTR result = 0;
};

// The frame of a dialog: the caption with its buttons, drawn by the dialog
// itself, around the client area.
class DialogFrame : public juce::DocumentWindow
{
public:
    DialogFrame(HWND dialog, const juce::String& title, DWORD style, DWORD exStyle);
    ~DialogFrame() override;

    // Shown, the frame has a window on the desktop again.
    void setVisible(bool shouldBeVisible) override;

    juce::BorderSize<int> getBorderThickness() override { return border; }
    void minimiseButtonPressed() override;
    void closeButtonPressed() override;
    // The caption's icon and a right click on the caption open the system menu.
    void mouseDown(const juce::MouseEvent& event) override;
    // The close box shows whether the system menu lets the dialog close.
    void updateCloseBox(bool enabled);
    // JUCE makes the caption's buttons anew whenever the look changes.
    void lookAndFeelChanged() override;

private:
    HWND dialog;
    juce::BorderSize<int> border;
    bool closeBoxEnabled = true;
};

} // namespace win32::detail
