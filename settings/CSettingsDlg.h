// The settings program's one window: sample rate, latency and the four input
// boosts of the Tessary, with the clock source in a list that stays hidden.
// It reads the driver at every update, sends a changed value straight to the
// driver or the unit, and keeps the clock source and the boosts in the
// user's profile. Every message reaches it through WindowProc, keyed by the
// message and the command or control id.
#pragma once

#include "SettingsCommands.h"
#include "SettingsFrames.h"

#include <NodeListDevice.h>
#include <NotifyingDevice.h>
#include <afxwin.h>

#include <array>

class CSettingsDlg : public CDialog
{
public:
    CSettingsDlg();
    ~CSettingsDlg() override;

    BOOL OnInitDialog() override;

    // Fills every control from the driver and sends the stored clock source and boosts to the units.
    void updateControls();
    void applyStoredBoosts();

    void applyClockSource();
    void sendInputBoost(int input, bool on);
    void setCpuLevel(std::uint32_t value);
    UINT cpuMenuItemForLevel();

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

    void fillSampleRates(std::uint32_t currentRate);
    void fillClockSources();
    void showNoDevice();
    void updateLatencyList();
    void enableBoosts(bool enable);
    CWinApp& app() const;

    HICON icon = nullptr;
    NotifyingDevice notifyingDevice;
    BufferBlock bufferBlock = {};
    CComboBox* sampleRateList = nullptr;
    CComboBox* clockSourceList = nullptr;
    CComboBox* latencyList = nullptr;
    std::array<CButton*, settings::kInputCount> boostBoxes = {};
    int clockSourceIndex = 0;
    int unitCount = 0;
    settings::SettingsCommands commands;
};

// The settings program's one control path that lists the units, for the whole run.
NodeListDevice& theNodeListDevice();
