/* Resource and control numbers of the settings program, shared by the
   resource script and the code. */
#pragma once

#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_SETTINGS 102
#define IDB_ABOUT 130
#define IDR_TRAYMENU 135
#define IDB_FACE 141

#define IDC_SAMPLE_RATE 1000
#define IDC_CLOCK_SOURCE 1001
#define IDC_LATENCY 1003
#define IDC_DONE 1007
#define IDC_BOOST1 1008
#define IDC_BOOST2 1009
#define IDC_BOOST3 1010
#define IDC_BOOST4 1011

#define ID_CPU_LOW 137
#define ID_CPU_MEDIUM 138
#define ID_CPU_HIGH 139
#define ID_TRAY_RESTORE 32771
#define ID_TRAY_EXIT 32772
