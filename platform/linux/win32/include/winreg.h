// Stand-in for the registry functions of <winreg.h>. Each hive is a text file in
// the registry export format ("Windows Registry Editor Version 5.00"), kept in
// $TESSARY_REGISTRY_DIR, else in $XDG_DATA_HOME/tessary/registry (default
// ~/.local/share/tessary/registry), as HKEY_LOCAL_MACHINE.reg and
// HKEY_CURRENT_USER.reg (either may be a symbolic link; changes go to its
// target). Every call sees the file as it is now, parsed again only when it
// changed; every change is made under a cross-process file lock on the freshly
// read hive and lands by an atomic rename, so concurrent writers lose nothing.
// A hive that cannot be written refuses changes with ERROR_ACCESS_DENIED (a user
// without administrative rights). A hive that cannot be parsed reads as empty,
// is named on stderr and is never overwritten (changes fail with ERROR_BADDB).
// A hive file that is not a regular file fails every call with ERROR_CANTREAD,
// one larger than 16 MiB with ERROR_FILE_TOO_LARGE (also a change that would
// make it so); the reason goes to stderr once. Keys nest at most 512 levels deep.
#pragma once

#include <windows.h>

typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef LONG LSTATUS;
typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000000))))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000001))))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000002))))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000003))))

// Value types
#define REG_NONE 0UL
#define REG_SZ 1UL
#define REG_EXPAND_SZ 2UL
#define REG_BINARY 3UL
#define REG_DWORD 4UL
#define REG_DWORD_LITTLE_ENDIAN 4UL
#define REG_DWORD_BIG_ENDIAN 5UL
#define REG_LINK 6UL
#define REG_MULTI_SZ 7UL
#define REG_QWORD 11UL

// Access rights (accepted and ignored: the hive file's permissions decide).
#define KEY_QUERY_VALUE 0x0001UL
#define KEY_SET_VALUE 0x0002UL
#define KEY_CREATE_SUB_KEY 0x0004UL
#define KEY_ENUMERATE_SUB_KEYS 0x0008UL
#define KEY_READ 0x20019UL
#define KEY_WRITE 0x20006UL
#define KEY_ALL_ACCESS 0xF003FUL

// Registry errors not already in <windows.h>
#ifndef ERROR_BAD_PATHNAME
#define ERROR_BAD_PATHNAME 161L
#endif
#ifndef ERROR_FILE_TOO_LARGE
#define ERROR_FILE_TOO_LARGE 223L
#endif
#ifndef ERROR_KEY_DELETED
#define ERROR_KEY_DELETED 1018L
#endif

// Opens an existing key below `hKey`. An empty or null `lpSubKey` gives back `hKey`
// itself. ERROR_FILE_NOT_FOUND when the key does not exist (or its hive cannot be
// parsed); ERROR_BAD_PATHNAME for an empty name or a path deeper than 512 keys.
LSTATUS WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);

// Opens the key, creating it and any missing parents first.
LSTATUS WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);

// Type and data of a value. With `lpData` null only the type and size are returned.
// A buffer smaller than the data gives ERROR_MORE_DATA with the needed size in *lpcbData.
// ERROR_FILE_NOT_FOUND for a missing value.
LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData);

// Stores `cbData` bytes as the value; strings are stored as given, so their size
// should include the terminating NUL as on Windows.
LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                              DWORD cbData);

LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);

LSTATUS WINAPI RegCloseKey(HKEY hKey);
