// The settings program's one window: sample rate, latency and the four input
// boosts of the Tessary, with the clock source in a list that stays hidden.
// It reads the driver at every update, sends a changed value straight to the
// driver or the unit, and keeps the clock source and the boosts in the
// user's profile. It lives hidden in the notification area, follows units as
// they come and go and the driver's notifications, and keeps the program to
// one instance. Every message reaches it through WindowProc, keyed by the
// message and the command or control id.
#pragma once

#include "CInstanceChecker.h"
#include "SettingsCommands.h"
#include "SettingsFrames.h"

#include <NodeListDevice.h>
#include <NotifyingDevice.h>
#include <afxwin.h>

#include <array>
#include <optional>
#include <dbt.h>

class CSettingsDlg : public CDialog
{
public:
    CSettingsDlg();
    ~CSettingsDlg() override;

    BOOL OnInitDialog() override;
    // Takes the tray icon away (never adds one) and stops the driver's
    // notifications before the window goes.
    BOOL DestroyWindow() override;

    // Fills every control from the driver and sends the stored clock source and boosts to the units.
    void updateControls();
    void applyStoredBoosts();

    void applyClockSource();
    void sendInputBoost(int input, bool on);
    void setCpuLevel(std::uint32_t value);
    UINT cpuMenuItemForLevel();
    // The tray menu's item to check: only for a level the menu offers. Read
    // from the driver, and kept as the level known.
    UINT checkedCpuMenuItem();
    // The item of the level known (read last, or chosen since), read only
    // when none is known (at first, and after the units changed).
    UINT knownCpuMenuItem();

    // Reopens the control path, reads the units again and refills the controls.
    void refreshDevices();
    // Shows or hides the tray icon: made when there is none, removed when there is.
    void toggleTrayIcon();

    CInstanceChecker& instanceChecker() { return checker; }
    NotifyingDevice& notifications() { return notifyingDevice; }
    bool isHiddenToTray() const { return hiddenToTray; }
    bool hasTrayIcon() const { return tray != nullptr; }
    class CSystemTray* systemTray() const { return tray; }

    int clockSource() const { return clockSourceIndex; }
    int units() const { return unitCount; }
    const BufferBlock& buffer() const { return bufferBlock; }

    static constexpr const char* kProfileSection = "Tessary";
    static constexpr const char* kClockSourceKey = "SPDIFSync";
    static constexpr std::array<const char*, settings::kInputCount> kBoostKeys = {"Ch1Boost", "Ch2Boost", "Ch3Boost",
                                                                                  "Ch4Boost"};
    static constexpr std::array<std::uint32_t, 4> kSampleRates = {44100, 48000, 88200, 96000};
    static constexpr std::array<std::uint32_t, 12> kBufferLengths = {1500, 2000, 2500,  3000,  3500,  4000,
                                                                     6000, 8000, 10000, 12000, 18000, 25000};
    static constexpr std::uint32_t kUnknownBufferLength = 0xFFFFFFFF;
    static constexpr UINT kDriverNotifyMessage = 0x8002; // WM_APP + 2
    static constexpr UINT kAboutCommand = 0x10;
    // Notifications read for one message; more pending go on with the next one.
    static constexpr int kNotificationsPerMessage = 16;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool OnCommand(UINT id, UINT code);
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnSampleRateChange();
    void OnClockSourceChange();
    void OnLatencyChange();
    void OnBoostChange(int input);
    void OnDone();
    void OnRestore();
    void OnPaint();
    HICON OnQueryDragIcon();
    BOOL OnDeviceChange(UINT event, DWORD_PTR data);
    LRESULT OnDriverNotify();
    void addAboutToSystemMenu();

    void fillSampleRates(std::uint32_t currentRate);
    void fillClockSources();
    void showNoDevice();
    void updateLatencyList();
    void enableBoosts(bool enable);
    CWinApp& app() const;

    HICON icon = nullptr;
    HDEVNOTIFY deviceNotification = nullptr;
    NotifyingDevice notifyingDevice;
    BufferBlock bufferBlock = {};
    CComboBox* sampleRateList = nullptr;
    CComboBox* clockSourceList = nullptr;
    CComboBox* latencyList = nullptr;
    std::array<CButton*, settings::kInputCount> boostBoxes = {};
    int clockSourceIndex = 0;
    int unitCount = 0;
    HICON trayIcon = nullptr;
    bool hiddenToTray = false;
    class CSystemTray* tray = nullptr;
    UINT trayMessage = 0;
    std::optional<UINT> knownCpuItem;
    CInstanceChecker checker;
    settings::SettingsCommands commands;
};

// The settings program's one control path that lists the units, for the whole run.
NodeListDevice& theNodeListDevice();
