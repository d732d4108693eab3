#include "CSettingsDlg.h"

#include "CAboutDlg.h"
#include "CSystemTray.h"
#include "DialogDpiLayout.h"
#include "resource.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr double kFaceDpi = 96.0;
constexpr int kSingleUnit = 1;
constexpr int kTwoUnits = 2;
constexpr std::size_t kRatesForOneUnit = 4;
constexpr std::size_t kRatesForMoreUnits = 2;
constexpr int kInternal = 0;
constexpr int kSpdif = 1;
constexpr int kSpdif2 = 2;
constexpr std::uint32_t kRefreshKind = 2;
constexpr std::uint32_t kReconfiguredKind = 3;
constexpr DWORD kNotificationKindBytes = sizeof(std::uint32_t);
// A device name shorter than this names no interface.
constexpr std::size_t kShortestDeviceName = 5;
constexpr std::size_t kAboutTextLength = 128;
const char* const kTrayTip = "Tessary";

// The Tessary settings interface class, whose arrivals and removals the dialog follows.
const GUID kSettingsInterfaceClass = {0x34F6CC0C, 0xBE3A, 0x4F6E, {0xBE, 0x12, 0x47, 0xE5, 0x8C, 0x84, 0xB0, 0x8D}};

// "44.1 kHz", "48.0 kHz" ...
std::string rateText(std::uint32_t rate)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d.%01d kHz", static_cast<int>(rate / 1000), static_cast<int>(rate % 1000 / 100));
    return text;
}

// "1.5 ms", "2.0 ms" ... "25.0 ms"
std::string lengthText(std::uint32_t length)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d.%01d ms", static_cast<int>(length / 1000),
                  static_cast<int>(length % 1000 / 100));
    return text;
}

// The clock-source item that names the frames applyClockSource sends for this
// index, or null when the list offers none (more than two units).
const char* clockSourceItem(int index, int unitCount)
{
    if (index == kInternal)
        return "Internal";
    if (unitCount == kSingleUnit) // every index but 1 sends the Internal frame
        return index == kSpdif ? "S/PDIF" : "Internal";
    if (unitCount == kTwoUnits)
        return index == kSpdif ? "S/PDIF 1" : index == kSpdif2 ? "S/PDIF 2" : nullptr;
    return nullptr;
}

} // namespace

NodeListDevice& theNodeListDevice()
{
    static NodeListDevice device;
    return device;
}

CSettingsDlg::CSettingsDlg()
    : CDialog(IDD_SETTINGS), trayMessage(RegisterWindowMessageA("Tessary tray notification")), checker(ID_TRAY_RESTORE),
      commands(theNodeListDevice())
{
    icon = LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    bufferBlock.words[kBufferLengthWord] = kUnknownBufferLength;
    NodeListDevice& nodes = theNodeListDevice();
    if (nodes.open() == status::kSuccess)
        nodes.readNodes();
}

CSettingsDlg::~CSettingsDlg()
{
    // Nothing may be posted to the window any more, whichever way the dialog ended.
    notifyingDevice.stopNotifications();
    delete tray;
    tray = nullptr;
    theNodeListDevice().close();
    if (icon != nullptr)
        DestroyIcon(icon);
    if (trayIcon != nullptr)
        DestroyIcon(trayIcon);
}

CWinApp& CSettingsDlg::app() const
{
    return *AfxGetApp();
}

BOOL CSettingsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The face is a bitmap of fixed size: lay the dialog out as at 96 DPI. The
    // layout gives the controls their font back when this returns.
    DialogDpiLayout layout;
    layout.apply(AfxGetResourceHandle(), m_hWnd, IDD_SETTINGS, kFaceDpi);

    addAboutToSystemMenu();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    // Close is greyed, so the close box does nothing: the program ends only from its tray menu.
    if (CMenu* systemMenu = GetSystemMenu(FALSE)) {
        char closeText[64] = {};
        systemMenu->GetMenuString(SC_CLOSE, closeText, sizeof closeText, MF_BYCOMMAND);
        systemMenu->ModifyMenu(SC_CLOSE, MF_BYCOMMAND | MF_GRAYED, SC_CLOSE, closeText);
    }
    checker.registerThisInstance();

    DEV_BROADCAST_DEVICEINTERFACE_A filter;
    std::memset(&filter, 0, sizeof filter);
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kSettingsInterfaceClass;
    deviceNotification = RegisterDeviceNotificationA(m_hWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    notifyingDevice.setNotifyTarget(m_hWnd, kDriverNotifyMessage, 0, 0);
    notifyingDevice.startNotifications();

    sampleRateList = dynamic_cast<CComboBox*>(GetDlgItem(IDC_SAMPLE_RATE));
    clockSourceList = dynamic_cast<CComboBox*>(GetDlgItem(IDC_CLOCK_SOURCE));
    latencyList = dynamic_cast<CComboBox*>(GetDlgItem(IDC_LATENCY));
    for (int n = 0; n < settings::kInputCount; ++n)
        boostBoxes[static_cast<std::size_t>(n)] = dynamic_cast<CButton*>(GetDlgItem(IDC_BOOST1 + n));

    clockSourceIndex = static_cast<int>(app().GetProfileInt(kProfileSection, kClockSourceKey, 0));
    updateControls();

    // The program starts hidden in the tray.
    trayIcon = LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    toggleTrayIcon();
    return TRUE;
}

void CSettingsDlg::addAboutToSystemMenu()
{
    char aboutText[kAboutTextLength] = {};
    if (LoadStringA(AfxGetResourceHandle(), IDS_ABOUTBOX, aboutText, sizeof aboutText) == 0 || aboutText[0] == '\0')
        return;
    if (CMenu* systemMenu = GetSystemMenu(FALSE)) {
        systemMenu->AppendMenu(MF_SEPARATOR);
        systemMenu->AppendMenu(MF_STRING, kAboutCommand, aboutText);
    }
}

void CSettingsDlg::toggleTrayIcon()
{
    if (tray != nullptr) {
        delete tray;
        tray = nullptr;
        return;
    }
    tray = new CSystemTray;
    tray->create(nullptr, trayMessage, kTrayTip, trayIcon, IDR_TRAYMENU);
}

BOOL CSettingsDlg::DestroyWindow()
{
    hiddenToTray = false;
    // Only ever takes the icon away: a dialog that goes must not add one.
    if (tray != nullptr)
        toggleTrayIcon();
    notifyingDevice.stopNotifications();
    if (deviceNotification != nullptr) {
        UnregisterDeviceNotification(deviceNotification);
        deviceNotification = nullptr;
    }
    return CDialog::DestroyWindow();
}

LRESULT CSettingsDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam)))
            return 0;
        break;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(OnQueryDragIcon());
    case WM_DEVICECHANGE:
        return OnDeviceChange(static_cast<UINT>(wParam), static_cast<DWORD_PTR>(lParam));
    case kDriverNotifyMessage:
        return OnDriverNotify();
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

// Commands from the controls (CBN_SELCHANGE, BN_CLICKED) and from the tray menu.
bool CSettingsDlg::OnCommand(UINT id, UINT code)
{
    if (code == CBN_SELCHANGE) {
        switch (id) {
        case IDC_SAMPLE_RATE:
            OnSampleRateChange();
            return true;
        case IDC_CLOCK_SOURCE:
            OnClockSourceChange();
            return true;
        case IDC_LATENCY:
            OnLatencyChange();
            return true;
        default:
            return false;
        }
    }
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_BOOST1:
    case IDC_BOOST2:
    case IDC_BOOST3:
    case IDC_BOOST4:
        OnBoostChange(static_cast<int>(id) - IDC_BOOST1 + 1);
        return true;
    case IDC_DONE:
        OnDone();
        return true;
    case ID_CPU_LOW:
        setCpuLevel(settings::kCpuLow);
        return true;
    case ID_CPU_MEDIUM:
        setCpuLevel(settings::kCpuMedium);
        return true;
    case ID_CPU_HIGH:
        setCpuLevel(settings::kCpuHigh);
        return true;
    case ID_TRAY_RESTORE:
        OnRestore();
        return true;
    case ID_TRAY_EXIT:
        OnCancel();
        return true;
    default:
        return false;
    }
}

// Minimising hides the dialog to the tray, with no task-bar button; restoring shows it again.
void CSettingsDlg::OnSysCommand(UINT id, LPARAM lParam)
{
    const bool wasHidden = hiddenToTray;
    if (id == SC_MINIMIZE)
        hiddenToTray = true;
    else if (id == SC_RESTORE)
        hiddenToTray = false;

    if ((id & 0xFFF0) == kAboutCommand) {
        CAboutDlg about;
        about.DoModal();
    } else {
        Default(WM_SYSCOMMAND, id, lParam);
    }

    if (hiddenToTray != wasHidden)
        ShowWindow(hiddenToTray ? SW_HIDE : SW_SHOW);
}

void CSettingsDlg::OnRestore()
{
    ShowWindow(SW_RESTORE);
    hiddenToTray = false;
    ShowWindow(SW_SHOW);
}

// While minimised the dialog shows its icon, centred; otherwise the dialog paints as usual.
void CSettingsDlg::OnPaint()
{
    if (!IsIconic()) {
        Default(WM_PAINT, 0, 0);
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    RECT client = {};
    GetClientRect(&client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, icon);
}

HICON CSettingsDlg::OnQueryDragIcon()
{
    return icon;
}

BOOL CSettingsDlg::OnDeviceChange(UINT event, DWORD_PTR data)
{
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
        header->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_A))
        return TRUE;
    // The name runs to its zero, within the size the record gives.
    const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header);
    const std::size_t room = header->dbch_size - offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    if (strnlen(record->dbcc_name, room) < kShortestDeviceName)
        return TRUE;
    if (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE)
        refreshDevices();
    return TRUE;
}

// Drains the driver's notifications; kinds 2 and 3 ask for a refresh. At most
// kNotificationsPerMessage are read for one message, so that a driver that
// keeps reporting (or answers without saying anything) never holds the
// dialog: the rest are read with the next message, after the others.
LRESULT CSettingsDlg::OnDriverNotify()
{
    for (int read = 0; read < kNotificationsPerMessage; ++read) {
        NotificationBlock notification = {};
        DWORD bytes = 0;
        if (notifyingDevice.readNotification(notification, &bytes) != status::kSuccess ||
            bytes < kNotificationKindBytes)
            return 0;
        if (notification.kind == kRefreshKind || notification.kind == kReconfiguredKind)
            refreshDevices();
    }
    PostMessage(kDriverNotifyMessage, 0, 0);
    return 0;
}

void CSettingsDlg::refreshDevices()
{
    bufferBlock.words[kBufferLengthWord] = kUnknownBufferLength;
    clockSourceIndex = -1;
    knownCpuItem.reset();
    NodeListDevice& nodes = theNodeListDevice();
    nodes.close();
    if (nodes.open() == status::kSuccess) {
        nodes.readNodes();
        if (!notifyingDevice.isStarted()) {
            notifyingDevice.setNotifyTarget(m_hWnd, kDriverNotifyMessage, 0, 0);
            notifyingDevice.startNotifications();
        }
    }
    updateControls();
}

void CSettingsDlg::OnDone()
{
    PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void CSettingsDlg::updateControls()
{
    NodeListDevice& nodes = theNodeListDevice();
    nodes.readNodes();
    unitCount = static_cast<int>(nodes.nodeCount());
    nodes.readClock(); // a failed read leaves the rate unknown
    const std::uint32_t currentRate = nodes.sampleRate();

    if (unitCount != 0) {
        fillSampleRates(currentRate);
        clockSourceIndex = static_cast<int>(app().GetProfileInt(kProfileSection, kClockSourceKey, 0));
        applyClockSource();
        fillClockSources();
        enableBoosts(true);
        applyStoredBoosts();
    } else {
        showNoDevice();
    }
    if (sampleRateList->GetCurSel() == CB_ERR)
        sampleRateList->SetCurSel(0);
    updateLatencyList();
}

void CSettingsDlg::fillSampleRates(std::uint32_t currentRate)
{
    sampleRateList->ResetContent();
    sampleRateList->EnableWindow(TRUE);
    const std::size_t offered = unitCount == kSingleUnit ? kRatesForOneUnit : kRatesForMoreUnits;
    for (std::size_t i = 0; i < offered; ++i) {
        const std::string text = rateText(kSampleRates[i]);
        sampleRateList->AddString(text.c_str());
        if (kSampleRates[i] == currentRate)
            sampleRateList->SelectString(-1, text.c_str());
    }
}

void CSettingsDlg::fillClockSources()
{
    clockSourceList->ResetContent();
    clockSourceList->EnableWindow(TRUE);
    clockSourceList->AddString("Internal");
    if (unitCount == kTwoUnits) {
        clockSourceList->AddString("S/PDIF 1");
        clockSourceList->AddString("S/PDIF 2");
    } else {
        clockSourceList->AddString("S/PDIF");
    }
    if (const char* item = clockSourceItem(clockSourceIndex, unitCount))
        clockSourceList->SelectString(-1, item);
}

void CSettingsDlg::showNoDevice()
{
    sampleRateList->ResetContent();
    sampleRateList->AddString(" No Device");
    sampleRateList->SelectString(-1, " No Device");
    sampleRateList->EnableWindow(FALSE);
    enableBoosts(false);
}

void CSettingsDlg::updateLatencyList()
{
    const std::uint32_t remembered = bufferBlock.words[kBufferLengthWord];
    if (theNodeListDevice().readBufferBlock(bufferBlock) != status::kSuccess) {
        latencyList->EnableWindow(FALSE);
        return;
    }
    const std::uint32_t length = bufferBlock.words[kBufferLengthWord];
    if (length == remembered)
        return;
    latencyList->ResetContent();
    latencyList->EnableWindow(TRUE);
    for (std::size_t i = 0; i < kBufferLengths.size(); ++i) {
        latencyList->AddString(lengthText(kBufferLengths[i]).c_str());
        if (kBufferLengths[i] == length)
            latencyList->SetCurSel(static_cast<int>(i));
    }
}

void CSettingsDlg::enableBoosts(bool enable)
{
    for (CButton* box : boostBoxes)
        box->EnableWindow(enable ? TRUE : FALSE);
}

void CSettingsDlg::applyStoredBoosts()
{
    for (int n = 1; n <= settings::kInputCount; ++n) {
        const bool on = app().GetProfileInt(kProfileSection, kBoostKeys[static_cast<std::size_t>(n - 1)], 0) != 0;
        boostBoxes[static_cast<std::size_t>(n - 1)]->SetCheck(on ? BST_CHECKED : BST_UNCHECKED);
        sendInputBoost(n - 1, on);
    }
}

void CSettingsDlg::OnSampleRateChange()
{
    const int selected = sampleRateList->GetCurSel();
    if (selected != CB_ERR && static_cast<std::size_t>(selected) < kSampleRates.size()) {
        NodeListDevice& nodes = theNodeListDevice();
        nodes.readClock(); // a failed read leaves the rate unknown, so the write is made
        const std::uint32_t rate = kSampleRates[static_cast<std::size_t>(selected)];
        if (rate != nodes.sampleRate()) {
            nodes.setSampleRate(rate);
            nodes.writeSampleRate(rate);
        }
    }
    ::SetFocus(m_hWnd);
}

void CSettingsDlg::OnClockSourceChange()
{
    const int selected = clockSourceList->GetCurSel();
    if (selected != clockSourceIndex) {
        clockSourceIndex = selected;
        applyClockSource();
        app().WriteProfileInt(kProfileSection, kClockSourceKey, clockSourceIndex);
    }
    ::SetFocus(m_hWnd);
}

void CSettingsDlg::OnLatencyChange()
{
    const int selected = latencyList->GetCurSel();
    if (selected != CB_ERR && static_cast<std::size_t>(selected) < kBufferLengths.size()) {
        const std::uint32_t length = kBufferLengths[static_cast<std::size_t>(selected)];
        std::uint32_t& current = bufferBlock.words[kBufferLengthWord];
        if (length != current) {
            const std::uint32_t previous = current;
            current = length;
            // A chain that fails leaves the driver at the old length: keep that, so choosing again retries.
            if (commands.writeBufferLength(bufferBlock) != status::kSuccess)
                current = previous;
        }
    }
    ::SetFocus(m_hWnd);
}

void CSettingsDlg::OnBoostChange(int input)
{
    const bool on = boostBoxes[static_cast<std::size_t>(input - 1)]->GetCheck() == BST_CHECKED;
    sendInputBoost(input - 1, on);
    app().WriteProfileInt(kProfileSection, kBoostKeys[static_cast<std::size_t>(input - 1)], on ? 1 : 0);
}

void CSettingsDlg::applyClockSource()
{
    commands.applyClockSource(clockSourceIndex, unitCount);
}

void CSettingsDlg::sendInputBoost(int input, bool on)
{
    commands.sendInputBoost(input, on);
}

void CSettingsDlg::setCpuLevel(std::uint32_t value)
{
    commands.setCpuLevel(value);
    knownCpuItem = value == settings::kCpuHigh     ? settings::kCpuHighItem
                   : value == settings::kCpuMedium ? settings::kCpuMediumItem
                   : value == settings::kCpuLow    ? settings::kCpuLowItem
                                                   : 0;
}

UINT CSettingsDlg::cpuMenuItemForLevel()
{
    return commands.cpuMenuItemForLevel();
}

UINT CSettingsDlg::checkedCpuMenuItem()
{
    knownCpuItem = commands.checkedCpuMenuItem();
    return *knownCpuItem;
}

UINT CSettingsDlg::knownCpuMenuItem()
{
    return knownCpuItem ? *knownCpuItem : checkedCpuMenuItem();
}
