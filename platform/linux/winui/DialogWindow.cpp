#include "DialogWindow.h"

#include "CheckBoxWindow.h"
#include "DialogLook.h"
#include "DropDownListWindow.h"
#include "ImageObjects.h"
#include "MenuSnapshot.h"
#include "PictureWindow.h"
#include "PushButtonWindow.h"
#include "WindowPort.h"
#include "WindowText.h"
#include "XEmbedTray.h"

#include <win32/StandIn.h>
#include <win32/WindowSystem.h>
#include <wingdi.h>

#include <algorithm>
#include <atomic>

namespace win32::detail {

namespace {

constexpr int kCaptionHeight = 19;
constexpr int kWithdrawDelayMs = 50;
constexpr int kDialogEdge = 3;
constexpr WORD kDefaultPointSize = 8;
constexpr const char16_t* kDefaultFace = u"Tahoma";
constexpr char kBaseUnitLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

// A resource name field of a template as the resource calls take it.
LPCSTR resourceName(const NameOrOrdinal& field, std::string& storage)
{
    if (field.isOrdinal)
        return MAKEINTRESOURCEA(field.ordinal);
    storage = toAnsi(field.text);
    return storage.c_str();
}

struct BaseUnits
{
    int x = 0;
    int y = 0;
};

// The dialog manager's base units: half the average width of the 52 letters, rounded up, and the font's height.
BaseUnits measureBaseUnits(HWND window, HFONT font)
{
    BaseUnits units;
    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    SIZE extent{};
    GetTextMetricsA(dc, &metrics);
    GetTextExtentPointA(dc, kBaseUnitLetters, 52, &extent);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    units.x = (extent.cx / 26 + 1) / 2;
    units.y = metrics.tmHeight;
    return units;
}

} // namespace

class DialogWindow::Client : public juce::Component
{
public:
    explicit Client(DialogWindow& owner) : owner(owner) { setWantsKeyboardFocus(true); }

    // The face, then whatever the dialog paints itself (WM_PAINT) into the same graphics.
    void paint(juce::Graphics& g) override
    {
        g.fillAll(DialogLook::face);
        ScopedWindowPaint painting(owner.handle(), g);
        SendMessageA(owner.handle(), WM_PAINT, 0, 0);
    }

    // The dialog keys: Enter presses the default button, Escape cancels, Alt+Space opens the system menu.
    bool keyPressed(const juce::KeyPress& key) override
    {
        if (key.getKeyCode() == juce::KeyPress::spaceKey && key.getModifiers().isAltDown()) {
            owner.showSystemMenu(owner.frame().getScreenPosition().translated(4, kCaptionHeight));
            return true;
        }
        if (key == juce::KeyPress::returnKey) {
            owner.pressDefaultButton();
            return true;
        }
        if (key == juce::KeyPress::escapeKey) {
            owner.cancel();
            return true;
        }
        return false;
    }

private:
    DialogWindow& owner;
};

DialogWindow::DialogWindow(HWND parent, const DialogTemplate& dialogTemplate, DLGPROC dialogProcedure, LPARAM parameter)
    : WindowObject(parent, 0, dialogTemplate.style, dialogTemplate.exStyle, true), procedure(dialogProcedure),
      initParam(parameter), client(std::make_unique<Client>(*this))
{
}

DialogWindow::~DialogWindow()
{
    withdrawal.reset();
    childOrder.clear();
    controls.clear();
    if (frameWindow != nullptr)
        frameWindow->clearContentComponent();
    frameWindow.reset();
    client.reset();
    if (ownFont != nullptr)
        DeleteObject(ownFont);
    if (ownSystemMenu != nullptr)
        DestroyMenu(ownSystemMenu);
}

DialogWindow* DialogWindow::create(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC procedure,
                                   LPARAM initParam)
{
    HRSRC resource = FindResourceA(instance, templateName, RT_DIALOG);
    if (resource == nullptr)
        return nullptr;
    const void* data = LockResource(LoadResource(instance, resource));
    DialogTemplate dialogTemplate;
    if (!parseDialogTemplate(data, SizeofResource(instance, resource), dialogTemplate)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    routePostedMessages();

    auto* dialog = new DialogWindow(parent, dialogTemplate, procedure, initParam);
    dialog->build(instance, dialogTemplate);
    const HWND window = dialog->handle();

    HWND firstTabStop = nullptr;
    for (WindowObject* child : dialog->childOrder)
        if ((child->style() & WS_TABSTOP) && child->component().isVisible() && child->component().isEnabled()) {
            firstTabStop = child->handle();
            break;
        }
    const LRESULT setFocus = dialog->message(WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTabStop), initParam);
    if (!isLiveWindow(window))
        return nullptr;
    if ((dialogTemplate.style & WS_VISIBLE) && !dialog->visibilityDecided && !dialog->ended)
        dialog->frameWindow->setVisible(true);
    if (setFocus != 0 && firstTabStop != nullptr)
        SetFocus(firstTabStop);
    dialog->frameWindow->updateCloseBox(dialog->canClose());
    return dialog;
}

void DialogWindow::build(HINSTANCE instance, const DialogTemplate& dialogTemplate)
{
    frameWindow = std::make_unique<DialogFrame>(handle(), juceText(dialogTemplate.title), dialogTemplate.style,
                                                dialogTemplate.exStyle);
    frameWindow->setContentNonOwned(client.get(), false);

    // The dialog font at the system's DPI gives the base units everything is laid out in.
    const int dpi = win32::systemDpi();
    const WORD pointSize = dialogTemplate.hasFont ? dialogTemplate.pointSize : kDefaultPointSize;
    const std::u16string face = dialogTemplate.hasFont ? dialogTemplate.typeface : kDefaultFace;
    ownFont =
        CreateFontW(-mulDiv(pointSize, dpi, 72), 0, 0, 0, dialogTemplate.hasFont ? dialogTemplate.weight : FW_NORMAL,
                    dialogTemplate.italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    WindowObject::message(WM_SETFONT, reinterpret_cast<WPARAM>(ownFont), FALSE);
    const BaseUnits units = measureBaseUnits(handle(), ownFont);

    RECT window = {0, 0, mulDiv(dialogTemplate.cx, units.x, 4), mulDiv(dialogTemplate.cy, units.y, 8)};
    AdjustWindowRectEx(&window, dialogTemplate.style, FALSE, dialogTemplate.exStyle);
    frameWindow->setBounds(mulDiv(dialogTemplate.x, units.x, 4), mulDiv(dialogTemplate.y, units.y, 8),
                           window.right - window.left, window.bottom - window.top);

    for (const DialogItemTemplate& item : dialogTemplate.items) {
        auto control = createControl(instance, item);
        juce::Component& component = control->component();
        client->addChildComponent(component);
        const juce::Rectangle<int> bounds(mulDiv(item.x, units.x, 4), mulDiv(item.y, units.y, 8),
                                          mulDiv(item.cx, units.x, 4), mulDiv(item.cy, units.y, 8));
        // A picture keeps the size of its image, as the static control makes itself.
        if (dynamic_cast<PictureWindow*>(control.get()) != nullptr && component.getWidth() > 0)
            component.setTopLeftPosition(bounds.getPosition());
        else
            control->move(bounds);
        control->message(WM_SETFONT, reinterpret_cast<WPARAM>(ownFont), FALSE);
        component.setEnabled((item.style & WS_DISABLED) == 0);
        component.setVisible((item.style & WS_VISIBLE) != 0);
        childOrder.push_back(control.get());
        controls.push_back(std::move(control));
    }
}

std::unique_ptr<WindowObject> DialogWindow::createControl(HINSTANCE instance, const DialogItemTemplate& item)
{
    const HWND self = handle();
    const int id = static_cast<int>(item.id);
    const juce::String title = item.title.isOrdinal ? juce::String() : juceText(item.title.text);
    switch (predefinedClassOf(item.windowClass)) {
    case kButtonClass: {
        const DWORD type = item.style & BS_TYPEMASK;
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX)
            return std::make_unique<CheckBoxWindow>(self, id, item.style, item.exStyle, title);
        return std::make_unique<PushButtonWindow>(self, id, item.style, item.exStyle, title);
    }
    case kStaticClass: {
        const DWORD type = item.style & SS_TYPEMASK;
        if (type != SS_BITMAP && type != SS_ICON)
            return std::make_unique<StaticTextWindow>(self, id, item.style, item.exStyle, title);
        std::string storage;
        LPCSTR name = resourceName(item.title, storage);
        juce::Image image;
        if (type == SS_BITMAP) {
            HBITMAP bitmap = LoadBitmapA(instance, name);
            image = win32::imageOf(bitmap);
            DeleteObject(bitmap);
        } else {
            HICON icon = LoadIconA(instance, name);
            image = win32::imageOf(icon);
            DestroyIcon(icon);
        }
        return std::make_unique<PictureWindow>(self, id, item.style, item.exStyle, image);
    }
    case kComboBoxClass:
        return std::make_unique<DropDownListWindow>(self, id, item.style, item.exStyle);
    default:
        return std::make_unique<StaticTextWindow>(self, id, item.style, item.exStyle, title);
    }
}

juce::Component& DialogWindow::component()
{
    return *client;
}

LRESULT DialogWindow::message(UINT msg, WPARAM wParam, LPARAM lParam)
{
    ++handling;
    LRESULT result = 0;
    const LONG_PTR outerResult = procedureResult;
    procedureResult = 0;
    const INT_PTR handled = procedure != nullptr ? procedure(handle(), msg, wParam, lParam) : 0;
    const bool returnsDirectly = msg == WM_INITDIALOG || msg == WM_QUERYDRAGICON;
    if (handled != 0)
        result = returnsDirectly ? handled : procedureResult;
    else if (msg == WM_INITDIALOG)
        result = procedure == nullptr ? TRUE : FALSE;
    else if (!destroyPending)
        result = defaultMessage(msg, wParam, lParam);
    procedureResult = outerResult;
    --handling;
    if (handling == 0 && destroyPending)
        delete this;
    return result;
}

LONG_PTR DialogWindow::setMessageResult(LONG_PTR value)
{
    const LONG_PTR previous = procedureResult;
    procedureResult = value;
    return previous;
}

LRESULT DialogWindow::defaultMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETFONT:
    case WM_GETFONT:
        return WindowObject::message(msg, wParam, lParam);
    case WM_SETICON:
        frameWindow->setIcon(win32::imageOf(reinterpret_cast<HICON>(lParam)));
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
            // A hidden frame has no window to minimise (see Withdrawal).
            if (frameWindow->isOnDesktop())
                frameWindow->setMinimised(true);
            return 0;
        case SC_RESTORE:
            frameWindow->setMinimised(false);
            frameWindow->setVisible(true);
            return 0;
        case SC_CLOSE:
            return SendMessageA(handle(), WM_CLOSE, 0, 0);
        default:
            return 0;
        }
    case WM_CLOSE:
        cancel();
        return 0;
    case WM_ICONERASEBKGND:
        if (juce::Graphics* g = graphicsOf(reinterpret_cast<void*>(wParam)))
            g->fillAll(DialogLook::face);
        return 1;
    default:
        return 0;
    }
}

void DialogWindow::move(juce::Rectangle<int> bounds)
{
    frameWindow->setBounds(bounds);
}

juce::Rectangle<int> DialogWindow::screenBounds()
{
    return frameWindow->getScreenBounds();
}

BOOL DialogWindow::show(int command)
{
    visibilityDecided = true;
    const BOOL wasVisible = frameWindow->isVisible() ? TRUE : FALSE;
    switch (command) {
    case SW_HIDE:
        frameWindow->setVisible(false);
        withdrawSoon();
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        frameWindow->setVisible(true);
        frameWindow->setMinimised(true);
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        frameWindow->setVisible(true);
        frameWindow->setMinimised(false);
        break;
    default:
        frameWindow->setVisible(true);
        break;
    }
    return wasVisible;
}

// Once JUCE has sent the window manager what it asked of it (an iconify,
// then the unmap), the window is withdrawn, so that a dialog minimised and
// hidden leaves no iconified window behind. The dialog owns the timer, so
// nothing is left waiting once the dialog is gone.
//
// Then the frame lets its X window go altogether, and makes a new one when it
// is shown again: JUCE on Linux repaints a window from a timer at the
// display's refresh rate (100 Hz where the display gives none) for as long as
// the window exists, shown or not, so a dialog kept hidden in the tray all day
// would wake the program a hundred times a second for nothing.
class DialogWindow::Withdrawal : public juce::Timer
{
public:
    explicit Withdrawal(DialogFrame& frame) : frame(frame) {}

    void timerCallback() override
    {
        stopTimer();
        if (frame.isVisible() || !frame.isOnDesktop())
            return;
        withdrawWindow(frame.getWindowHandle());
        frame.removeFromDesktop();
    }

private:
    DialogFrame& frame;
};

void DialogWindow::withdrawSoon()
{
    if (!frameWindow->isOnDesktop())
        return;
    if (withdrawal == nullptr)
        withdrawal = std::make_unique<Withdrawal>(*frameWindow);
    withdrawal->startTimer(kWithdrawDelayMs);
}

void DialogWindow::end(INT_PTR endResult)
{
    ended = true;
    result = endResult;
    frameWindow->setVisible(false);
}

void DialogWindow::pressDefaultButton()
{
    const HWND self = handle();
    for (WindowObject* child : childOrder)
        if (auto* button = dynamic_cast<PushButtonWindow*>(child))
            if (button->isDefaultButton() && button->isVisible() && button->isEnabled()) {
                SendMessageA(self, WM_COMMAND, MAKEWPARAM(button->controlId(), BN_CLICKED),
                             reinterpret_cast<LPARAM>(button->handle()));
                return;
            }
    SendMessageA(self, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void DialogWindow::cancel()
{
    SendMessageA(handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(handle(), IDCANCEL)));
}

void DialogWindow::destroy(DialogWindow* dialog)
{
    if (dialog == nullptr || dialog->destroying)
        return;
    dialog->destroying = true;
    ++dialog->handling; // the dialog outlives its own WM_DESTROY
    dialog->message(WM_DESTROY, 0, 0);
    dialog->frameWindow->setVisible(false);
    for (WindowObject* child : dialog->childOrder)
        child->detach();
    dialog->detach();
    dialog->destroyPending = true;
    if (--dialog->handling == 0)
        delete dialog;
}

void DialogWindow::removeChild(WindowObject* child)
{
    auto found = std::find(childOrder.begin(), childOrder.end(), child);
    if (found == childOrder.end())
        return;
    childOrder.erase(found);
    child->component().setVisible(false);
    child->detach();
}

HMENU DialogWindow::systemMenu(bool revert)
{
    if (revert || ownSystemMenu == nullptr) {
        if (ownSystemMenu != nullptr)
            DestroyMenu(ownSystemMenu);
        ownSystemMenu = makeSystemMenu(handle(), style());
        frameWindow->updateCloseBox(canClose());
    }
    return revert ? nullptr : ownSystemMenu;
}

void DialogWindow::showSystemMenu(juce::Point<int> at)
{
    if ((style() & WS_SYSMENU) == 0)
        return;
    // As on Windows, Restore offers itself only to a minimised window and Minimize only to another.
    MenuSnapshot menu = snapshotOf(systemMenu(false));
    const bool minimised = frameWindow->isMinimised();
    for (auto& item : menu.items) {
        if (item.id == SC_RESTORE)
            item.flags = minimised ? item.flags & ~static_cast<UINT>(MF_GRAYED) : item.flags | MF_GRAYED;
        if (item.id == SC_MINIMIZE)
            item.flags = minimised ? item.flags | MF_GRAYED : item.flags & ~static_cast<UINT>(MF_GRAYED);
    }
    showPopupMenu(menu, POINT{at.x, at.y}, handle(), WM_SYSCOMMAND);
}

bool DialogWindow::canClose()
{
    const UINT state = GetMenuState(systemMenu(false), SC_CLOSE, MF_BYCOMMAND);
    return state != 0xFFFFFFFF && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

void systemMenuChanged(HWND window)
{
    if (auto* dialog = dynamic_cast<DialogWindow*>(windowOf(window)))
        dialog->frame().updateCloseBox(dialog->canClose());
}

HMENU systemMenuOf(HWND window, bool revert)
{
    auto* dialog = dynamic_cast<DialogWindow*>(windowOf(window));
    return dialog == nullptr ? nullptr : dialog->systemMenu(revert);
}

juce::BorderSize<int> DialogWindow::frameBorder(DWORD style, DWORD exStyle)
{
    int edge = 0;
    if ((style & (WS_DLGFRAME | WS_THICKFRAME)) != 0 || (exStyle & WS_EX_DLGMODALFRAME) != 0)
        edge = kDialogEdge;
    else if ((style & WS_BORDER) != 0)
        edge = 1;
    const int caption = (style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0;
    return {edge + caption, edge, edge, edge};
}

DialogFrame::DialogFrame(HWND dialogWindow, const juce::String& title, DWORD style, DWORD exStyle)
    : juce::DocumentWindow(title, DialogLook::face,
                           ((style & WS_MINIMIZEBOX) ? minimiseButton : 0) | ((style & WS_SYSMENU) ? closeButton : 0),
                           false),
      dialog(dialogWindow)
{
    const juce::BorderSize<int> frame = DialogWindow::frameBorder(style, exStyle);
    const int caption = frame.getTop() - frame.getLeft();
    border = {frame.getLeft(), frame.getLeft(), frame.getBottom(), frame.getRight()};
    setLookAndFeel(&DialogLook::instance());
    setUsingNativeTitleBar(false);
    setTitleBarHeight(caption);
    setTitleBarButtonsRequired(
        ((style & WS_MINIMIZEBOX) ? minimiseButton : 0) | ((style & WS_SYSMENU) ? closeButton : 0), false);
    setResizable(false, false);
    setDropShadowEnabled(false);
    addToDesktop();
}

DialogFrame::~DialogFrame()
{
    setLookAndFeel(nullptr);
}

void DialogFrame::setVisible(bool shouldBeVisible)
{
    // A frame hidden for a while has let its window go (see DialogWindow::Withdrawal).
    if (shouldBeVisible && !isOnDesktop())
        addToDesktop();
    juce::DocumentWindow::setVisible(shouldBeVisible);
}

void DialogFrame::minimiseButtonPressed()
{
    SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void DialogFrame::closeButtonPressed()
{
    // The close box and Alt+F4 close only while the system menu's Close is enabled.
    auto* owner = dynamic_cast<DialogWindow*>(windowOf(dialog));
    if (owner != nullptr && owner->canClose())
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void DialogFrame::mouseDown(const juce::MouseEvent& event)
{
    const int caption = getTitleBarHeight();
    const auto at = event.getEventRelativeTo(this).getPosition();
    const bool onCaption = at.y >= border.getLeft() && at.y < border.getLeft() + caption;
    const bool onIcon = onCaption && at.x < border.getLeft() + caption;
    auto* owner = dynamic_cast<DialogWindow*>(windowOf(dialog));
    if (owner != nullptr && onCaption && (onIcon || event.mods.isPopupMenu())) {
        owner->showSystemMenu(onIcon ? getScreenPosition().translated(border.getLeft(), border.getLeft() + caption)
                                     : event.getScreenPosition());
        return;
    }
    juce::DocumentWindow::mouseDown(event);
}

void DialogFrame::updateCloseBox(bool enabled)
{
    closeBoxEnabled = enabled;
    if (auto* close = getCloseButton())
        close->setEnabled(enabled);
}

void DialogFrame::lookAndFeelChanged()
{
    juce::DocumentWindow::lookAndFeelChanged();
    updateCloseBox(closeBoxEnabled);
}

} // namespace win32::detail
