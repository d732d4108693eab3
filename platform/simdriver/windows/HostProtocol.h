/* The requests between the two halves of the simulated driver on Windows: the
 * kernel driver (tessarysim.sys), which owns the device objects the programs
 * open, and the host process (tessary-simdriver.exe serve), which runs the
 * simulated units. The kernel half hands every create, close and I/O control
 * request of the programs to the host and completes it with the host's answer.
 * Shared by C (the driver) and C++ (the host); all fields little-endian. */
#ifndef TESSARY_SIMDRIVER_HOST_PROTOCOL_H
#define TESSARY_SIMDRIVER_HOST_PROTOCOL_H

/* The host's device: \\.\TessarySimHost for user mode. */
#define SIMHOST_DEVICE_NAME L"\\Device\\TessarySimHost"
#define SIMHOST_DOS_NAME L"\\DosDevices\\TessarySimHost"
#define SIMHOST_USER_PATH "\\\\.\\TessarySimHost"

/* The control paths, \\.\{class GUID}, each with a device of its own. */
#define SIMHOST_MIXER_CONTROL_DEVICE L"\\Device\\TessarySimMixerControl"
#define SIMHOST_MIXER_CONTROL_DOS_NAME L"\\DosDevices\\{006902CB-E626-45B4-8A62-2EAAD63F8D12}"
#define SIMHOST_SETTINGS_CONTROL_DEVICE L"\\Device\\TessarySimSettingsControl"
#define SIMHOST_SETTINGS_CONTROL_DOS_NAME L"\\DosDevices\\{34F6CC0C-BE3A-4F6E-BE12-47E58C84B08D}"

/* Unit interfaces are registered with reference strings "mixer<N>" and
 * "settings<N>", N = 0 .. SIMHOST_MAX_UNITS - 1, and enabled while unit N is plugged. */
#define SIMHOST_MAX_UNITS 32

/* CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS) */
#define SIMHOST_CODE(function) ((0x22u << 16) | ((function) << 2))
/* Host: makes this handle the serving one. Fails with STATUS_DEVICE_BUSY while
 * another handle serves. Closing the serving handle fails every request the host
 * has not answered with STATUS_DEVICE_NOT_CONNECTED and disables every interface. */
#define SIMHOST_IOCTL_SERVE SIMHOST_CODE(0x900u)
/* Host: output receives the next SIMHOST_REQUEST (pended until one arrives).
 * The output must hold SIMHOST_FETCH_SIZE bytes. FETCH, COMPLETE and INTERFACE
 * are taken from the serving handle only (others: ERROR_INVALID_FUNCTION). */
#define SIMHOST_IOCTL_FETCH SIMHOST_CODE(0x901u)
/* Host: input is a SIMHOST_COMPLETION followed by its output bytes. */
#define SIMHOST_IOCTL_COMPLETE SIMHOST_CODE(0x902u)
/* Host: input is a SIMHOST_INTERFACE_STATE. */
#define SIMHOST_IOCTL_INTERFACE SIMHOST_CODE(0x903u)
/* Anyone: input is a SIMHOST_ADMIN, output a SIMHOST_ADMIN_REPLY followed by
 * its text; handed to the host as a request of kind SIMHOST_KIND_ADMIN. */
#define SIMHOST_IOCTL_ADMIN SIMHOST_CODE(0x904u)

#define SIMHOST_MAX_INPUT 65536u  /* larger client inputs are refused with STATUS_INVALID_PARAMETER */
#define SIMHOST_MAX_OUTPUT 65536u /* larger client outputs are cut to this size */
#define SIMHOST_ADMIN_OUTPUT (16u + SIMHOST_MAX_OUTPUT)

/* Under Wine a program's CreateFile returns before the host has answered the
 * create, and whatever the answer, the program has its handle. When the host
 * refuses a create, the driver fails the file's later requests with the
 * refusal's error, but requests the program sent before the answer came still
 * reach the host, in order after the create: the host answers those with the
 * same error. No close follows a refused create, and a file key may come back
 * in a later create once its file has closed or its create was refused. */
enum SimHostKind {
    SIMHOST_KIND_CREATE = 1, /* a program opened a unit interface or a control path */
    SIMHOST_KIND_CLOSE = 2,  /* its file was closed; no completion is sent back */
    SIMHOST_KIND_IOCTL = 3,  /* an I/O control request on such a file */
    SIMHOST_KIND_ADMIN = 4   /* SIMHOST_IOCTL_ADMIN: code = command, input = a, b */
};

enum SimHostTarget {
    SIMHOST_TARGET_UNIT = 0,    /* unit `unit`'s interface of `interfaceClass` */
    SIMHOST_TARGET_CONTROL = 1, /* the control path of `interfaceClass` */
    SIMHOST_TARGET_ADMIN = 2    /* the host's device */
};

#pragma pack(push, 1)
typedef struct SIMHOST_REQUEST
{
    unsigned int kind;                /* enum SimHostKind */
    unsigned int id;                  /* echoed by the completion; 0 for closes */
    unsigned long long file;          /* the driver's key of the file object */
    unsigned int processId;           /* of the requesting program */
    unsigned int code;                /* I/O control code, or admin command */
    unsigned int inputSize;           /* bytes of input following this header */
    unsigned int outputSize;          /* the program's output buffer size (at most SIMHOST_MAX_OUTPUT) */
    unsigned int target;              /* create: enum SimHostTarget */
    unsigned int unit;                /* create of SIMHOST_TARGET_UNIT: the unit index */
    unsigned char interfaceClass[16]; /* create: the GUID of the class, in memory order */
} SIMHOST_REQUEST;

#define SIMHOST_FETCH_SIZE (sizeof(SIMHOST_REQUEST) + SIMHOST_MAX_INPUT)

typedef struct SIMHOST_COMPLETION
{
    unsigned int id;
    unsigned int error; /* Win32 error: 0, a Windows error code, or a driver status (0xE.......) */
    unsigned int bytes; /* output bytes following this header */
    unsigned int reserved;
} SIMHOST_COMPLETION;

typedef struct SIMHOST_INTERFACE_STATE
{
    unsigned int unit;
    unsigned int enabled; /* 1 plugged, 0 unplugged: both classes' interfaces */
} SIMHOST_INTERFACE_STATE;

typedef struct SIMHOST_ADMIN
{
    unsigned int command, a, b;
} SIMHOST_ADMIN;

typedef struct SIMHOST_ADMIN_REPLY
{
    unsigned int error; /* 0 done */
    unsigned int textSize;
    unsigned long long nextSequence;
} SIMHOST_ADMIN_REPLY;
#pragma pack(pop)

#endif
