/* tessarysim.sys: the kernel half of the simulated driver on Windows.
 *
 * A root-enumerated WDM driver that owns the devices the programs open (the
 * unit interfaces of the mixer and settings classes and the two control paths)
 * and hands every create, close and I/O control request on them to the host
 * process (tessary-simdriver.exe serve) through the host's device: the host
 * fetches requests with SIMHOST_IOCTL_FETCH and answers them with
 * SIMHOST_IOCTL_COMPLETE, and the driver completes each program's request with
 * that answer. See HostProtocol.h. */
#include <ntddk.h>

#include "../HostProtocol.h"

/* 'TsSm' in a pool dump */
#define SIM_POOL_TAG 0x6D537354u

/* {006902CB-E626-45B4-8A62-2EAAD63F8D12}, {34F6CC0C-BE3A-4F6E-BE12-47E58C84B08D} */
static const GUID classGuids[2] = {
    {0x006902CB, 0xE626, 0x45B4, {0x8A, 0x62, 0x2E, 0xAA, 0xD6, 0x3F, 0x8D, 0x12}},
    {0x34F6CC0C, 0xBE3A, 0x4F6E, {0xBE, 0x12, 0x47, 0xE5, 0x8C, 0x84, 0xB0, 0x8D}},
};
static const WCHAR* const classPrefixes[2] = {L"mixer", L"settings"};

typedef enum DEVICE_ROLE { ROLE_FDO, ROLE_HOST, ROLE_MIXER_CONTROL, ROLE_SETTINGS_CONTROL, ROLE_UNIT } DEVICE_ROLE;

typedef struct DEVICE_EXTENSION
{
    DEVICE_ROLE role;
    PDEVICE_OBJECT lower; /* the FDO's: the device below it */
    ULONG classIndex;     /* a unit device's */
    ULONG unit;
} DEVICE_EXTENSION;

/* A program's file on a unit interface or a control path (FileObject->FsContext).
 * Wine (8.0) gives the program its handle before the driver has completed the
 * create and ignores how it completes; a create that fails therefore keeps its
 * context, which fails the file's requests with the create's status, until the
 * close Wine sends for it. (Windows sends none after a failed create: there
 * the context would stay allocated.) */
typedef struct FILE_CONTEXT
{
    ULONG target; /* enum SimHostTarget */
    ULONG unit;
    ULONG classIndex;
    ULONG session;    /* the host session its create went to */
    NTSTATUS failure; /* the create's status when it failed, else STATUS_SUCCESS */
} FILE_CONTEXT;

/* A request waiting to be fetched by the host. */
typedef struct QUEUED_REQUEST
{
    LIST_ENTRY entry;
    SIMHOST_REQUEST request;
    UCHAR input[1];
} QUEUED_REQUEST;

/* A forwarded IRP keeps its request id and the output size the host was told in
 * Tail.Overlay.DriverContext, and waits in a list by Tail.Overlay.ListEntry. */
#define IRP_REQUEST_ID(irp) ((irp)->Tail.Overlay.DriverContext[0])
#define IRP_OUTPUT_SIZE(irp) ((irp)->Tail.Overlay.DriverContext[1])

static struct
{
    KSPIN_LOCK lock;          /* everything below up to the interface mutex */
    LIST_ENTRY queued;        /* QUEUED_REQUEST, oldest first */
    LIST_ENTRY fetches;       /* the host's pended FETCH IRPs */
    LIST_ENTRY forwarded;     /* programs' IRPs the host has still to answer */
    PFILE_OBJECT servingFile; /* the host's serving file, or NULL */
    ULONG session;            /* counts SERVE calls; a file's requests go only to its own session */
    ULONG nextId;
    ULONG wantedInterfaces; /* bit N: the host has plugged unit N */
    BOOLEAN started;

    KEVENT interfaceMutex;   /* serializes the interface state calls */
    ULONG enabledInterfaces; /* bit N: unit N's interfaces are enabled (under the mutex) */

    PDEVICE_OBJECT fdo;
    PDEVICE_OBJECT named[3]; /* host, mixer control, settings control */
    BOOLEAN linked[3];
    UNICODE_STRING interfaceNames[2][SIMHOST_MAX_UNITS];
    PDEVICE_OBJECT units[2][SIMHOST_MAX_UNITS]; /* \\Device\\TessarySimMixer<N>, ...Settings<N>: see RelinkToUnit */
    BOOLEAN referenceFix;                       /* interface states set the way Wine needs, see SetInterfaceState */
    HANDLE linkDirectories[2];                  /* kept open for that: the classes' \??\<device>#{guid} directories */
} sim;

static const WCHAR* const namedDevices[3] = {SIMHOST_DEVICE_NAME, SIMHOST_MIXER_CONTROL_DEVICE,
                                             SIMHOST_SETTINGS_CONTROL_DEVICE};
static const WCHAR* const namedLinks[3] = {SIMHOST_DOS_NAME, SIMHOST_MIXER_CONTROL_DOS_NAME,
                                           SIMHOST_SETTINGS_CONTROL_DOS_NAME};

static DEVICE_ROLE RoleOf(PDEVICE_OBJECT device)
{
    return ((DEVICE_EXTENSION*)device->DeviceExtension)->role;
}

static NTSTATUS CompleteIrp(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* The status a program's request completes with for the host's Win32 error, so
 * that the program's GetLastError returns that error. */
static NTSTATUS StatusForError(ULONG error)
{
    if (error == 0)
        return STATUS_SUCCESS;
    if (error & 0x20000000u) /* a driver's own status: the system passes it through */
        return (NTSTATUS)error;
    switch (error) {
    case 1: /* ERROR_INVALID_FUNCTION */
        return STATUS_INVALID_DEVICE_REQUEST;
    case 2: /* ERROR_FILE_NOT_FOUND */
        return STATUS_OBJECT_NAME_NOT_FOUND;
    case 4: /* ERROR_TOO_MANY_OPEN_FILES */
        return STATUS_TOO_MANY_OPENED_FILES;
    case 5: /* ERROR_ACCESS_DENIED */
        return STATUS_ACCESS_DENIED;
    case 6: /* ERROR_INVALID_HANDLE */
        return STATUS_INVALID_HANDLE;
    case 8: /* ERROR_NOT_ENOUGH_MEMORY */
        return STATUS_NO_MEMORY;
    case 87: /* ERROR_INVALID_PARAMETER */
        return STATUS_INVALID_PARAMETER;
    case 122: /* ERROR_INSUFFICIENT_BUFFER */
        return STATUS_BUFFER_TOO_SMALL;
    case 234: /* ERROR_MORE_DATA: the output so far is returned too */
        return STATUS_BUFFER_OVERFLOW;
    case 259: /* ERROR_NO_MORE_ITEMS */
        return STATUS_NO_MORE_ENTRIES;
    case 995: /* ERROR_OPERATION_ABORTED */
        return STATUS_CANCELLED;
    case 1167: /* ERROR_DEVICE_NOT_CONNECTED */
        return STATUS_DEVICE_NOT_CONNECTED;
    default:
        return STATUS_UNSUCCESSFUL;
    }
}

/* --- The unit interfaces ----------------------------------------------------- */

/* A bounded wide string being built. */
typedef struct TEXT_BUFFER
{
    WCHAR text[400];
    USHORT length;
} TEXT_BUFFER;

static void Append(TEXT_BUFFER* buffer, const WCHAR* text, ULONG count)
{
    while (count-- && *text && (ULONG)buffer->length + 1u < sizeof(buffer->text) / sizeof(WCHAR))
        buffer->text[buffer->length++] = *text++;
    buffer->text[buffer->length] = 0;
}

static void AsUnicode(TEXT_BUFFER* buffer, UNICODE_STRING* string)
{
    string->Buffer = buffer->text;
    string->Length = (USHORT)(buffer->length * sizeof(WCHAR));
    string->MaximumLength = (USHORT)sizeof(buffer->text);
}

/* Creates (or opens) the key at the path, whose parent exists, and closes it
 * unless asked for. */
static NTSTATUS CreateKey(TEXT_BUFFER* path, HANDLE* keep)
{
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    HANDLE key;
    NTSTATUS status;
    AsUnicode(path, &name);
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    status = ZwCreateKey(&key, KEY_ALL_ACCESS, &attributes, 0, NULL, REG_OPTION_VOLATILE, NULL);
    if (!NT_SUCCESS(status))
        return status;
    if (keep)
        *keep = key;
    else
        ZwClose(key);
    return STATUS_SUCCESS;
}

/* Wine (8.0) looks for the registry key of an interface with a reference
 * string under a wrong name ("#\<reference>" for "#<reference>"), links
 * "\??\<device>#{guid}\<reference>" to the device, which needs the
 * "\??\<device>#{guid}" directory, and leaves the reference string out of
 * what the link opens. So that it enables such an interface and tells the
 * programs' windows: the key it looks for and the directory are made; the
 * interface's own "Control\Linked" value, which SetupAPI reads, is set here;
 * and the link is remade to open the unit's own device (RelinkToUnit). */
static NTSTATUS PrepareReferenceState(ULONG c, ULONG unit, BOOLEAN enable)
{
    const UNICODE_STRING* name = &sim.interfaceNames[c][unit];
    const WCHAR* text = name->Buffer;
    ULONG length = name->Length / sizeof(WCHAR), slash;
    TEXT_BUFFER path;
    HANDLE key;
    ULONG linked = enable;
    UNICODE_STRING valueName;
    NTSTATUS status;

    for (slash = length; slash > 4 && text[slash - 1] != L'\\'; --slash)
        ;
    if (slash <= 4 + 38)
        return STATUS_OBJECT_NAME_INVALID;
    --slash; /* text[slash] is the backslash before the reference string */

    /* DeviceClasses\{guid}\##?#<device>#{guid} */
    path.length = 0;
    Append(&path, L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\DeviceClasses\\", 200);
    Append(&path, text + slash - 38, 38);
    Append(&path, L"\\##?#", 5);
    Append(&path, text + 4, slash - 4);
    {
        TEXT_BUFFER wrong = path, own = path;
        Append(&wrong, L"\\#", 2);
        status = CreateKey(&wrong, NULL);
        if (NT_SUCCESS(status)) {
            Append(&wrong, text + slash, length - slash);
            status = CreateKey(&wrong, NULL);
        }
        if (!NT_SUCCESS(status))
            return status;
        Append(&own, L"\\#", 2);
        Append(&own, text + slash + 1, length - slash - 1);
        Append(&own, L"\\Control", 8);
        status = CreateKey(&own, &key);
        if (!NT_SUCCESS(status))
            return status;
        RtlInitUnicodeString(&valueName, L"Linked");
        status = ZwSetValueKey(key, &valueName, 0, REG_DWORD, &linked, sizeof(linked));
        ZwClose(key);
        if (!NT_SUCCESS(status))
            return status;
    }
    if (enable && !sim.linkDirectories[c]) {
        UNICODE_STRING directoryName;
        OBJECT_ATTRIBUTES attributes;
        directoryName.Buffer = (PWCH)text;
        directoryName.Length = (USHORT)(slash * sizeof(WCHAR));
        directoryName.MaximumLength = directoryName.Length;
        InitializeObjectAttributes(&attributes, &directoryName, OBJ_CASE_INSENSITIVE | OBJ_OPENIF | OBJ_KERNEL_HANDLE,
                                   NULL, NULL);
        status = ZwCreateDirectoryObject(&sim.linkDirectories[c], DIRECTORY_ALL_ACCESS, &attributes);
        if (!NT_SUCCESS(status)) {
            sim.linkDirectories[c] = NULL;
            return status;
        }
    }
    return STATUS_SUCCESS;
}

/* Points the enabled interface's link at the unit's own device: Wine opens a
 * driver's device by its name alone, with no file name after it, so the unit
 * is told by the device opened. */
static NTSTATUS RelinkToUnit(ULONG c, ULONG unit)
{
    const UNICODE_STRING* name = &sim.interfaceNames[c][unit];
    TEXT_BUFFER target;
    UNICODE_STRING targetName;
    WCHAR digits[4];
    ULONG count = 0, n = unit;

    target.length = 0;
    Append(&target, c == 0 ? L"\\Device\\TessarySimMixer" : L"\\Device\\TessarySimSettings", 40);
    do {
        digits[count++] = (WCHAR)(L'0' + n % 10);
        n /= 10;
    } while (n);
    while (count)
        Append(&target, &digits[--count], 1);
    AsUnicode(&target, &targetName);
    IoDeleteSymbolicLink((PUNICODE_STRING)name);
    return IoCreateSymbolicLink((PUNICODE_STRING)name, &targetName);
}

static NTSTATUS SetInterfaceState(ULONG c, ULONG unit, BOOLEAN enable)
{
    NTSTATUS status;
    if (!sim.referenceFix) {
        status = IoSetDeviceInterfaceState(&sim.interfaceNames[c][unit], enable);
        if (status != STATUS_OBJECT_NAME_NOT_FOUND || !enable)
            return status;
        sim.referenceFix = TRUE;
    }
    status = PrepareReferenceState(c, unit, enable);
    if (!NT_SUCCESS(status))
        return status;
    status = IoSetDeviceInterfaceState(&sim.interfaceNames[c][unit], enable);
    if (NT_SUCCESS(status) && enable)
        status = RelinkToUnit(c, unit);
    return status;
}

/* Brings the interfaces' states to what the host wants (none while no host
 * serves or before the device has started). Runs at PASSIVE_LEVEL. */
static void ApplyInterfaceStates(void)
{
    KIRQL irql;
    ULONG wanted;
    ULONG unit, c;

    KeWaitForSingleObject(&sim.interfaceMutex, Executive, KernelMode, FALSE, NULL);
    KeAcquireSpinLock(&sim.lock, &irql);
    wanted = sim.started ? sim.wantedInterfaces : 0;
    KeReleaseSpinLock(&sim.lock, irql);
    for (unit = 0; unit < SIMHOST_MAX_UNITS; ++unit) {
        ULONG bit = 1u << unit;
        BOOLEAN enable = (wanted & bit) != 0;
        if (((sim.enabledInterfaces & bit) != 0) == enable)
            continue;
        for (c = 0; c < 2; ++c) {
            NTSTATUS status = SetInterfaceState(c, unit, enable);
            if (!NT_SUCCESS(status))
                DbgPrint("tessarysim: unit %lu interface %lu: state %d failed: 0x%08lx\n", unit, c, enable, status);
        }
        sim.enabledInterfaces ^= bit;
    }
    KeSetEvent(&sim.interfaceMutex, IO_NO_INCREMENT, FALSE);
}

static NTSTATUS RegisterInterfaces(PDEVICE_OBJECT pdo)
{
    ULONG c, unit;
    for (c = 0; c < 2; ++c) {
        for (unit = 0; unit < SIMHOST_MAX_UNITS; ++unit) {
            WCHAR text[16];
            UNICODE_STRING reference;
            const WCHAR* prefix = classPrefixes[c];
            USHORT length = 0;
            WCHAR digits[4];
            USHORT count = 0;
            ULONG n = unit;
            NTSTATUS status;

            while (*prefix)
                text[length++] = *prefix++;
            do {
                digits[count++] = (WCHAR)(L'0' + n % 10);
                n /= 10;
            } while (n);
            while (count)
                text[length++] = digits[--count];
            text[length] = 0;
            reference.Buffer = text;
            reference.Length = (USHORT)(length * sizeof(WCHAR));
            reference.MaximumLength = (USHORT)sizeof(text);
            status = IoRegisterDeviceInterface(pdo, &classGuids[c], &reference, &sim.interfaceNames[c][unit]);
            if (!NT_SUCCESS(status))
                return status;
        }
    }
    return STATUS_SUCCESS;
}

static void FreeInterfaceNames(void)
{
    ULONG c, unit;
    for (c = 0; c < 2; ++c) {
        for (unit = 0; unit < SIMHOST_MAX_UNITS; ++unit) {
            if (sim.interfaceNames[c][unit].Buffer)
                RtlFreeUnicodeString(&sim.interfaceNames[c][unit]);
            RtlZeroMemory(&sim.interfaceNames[c][unit], sizeof(UNICODE_STRING));
        }
    }
}

/* --- Requests to the host ---------------------------------------------------- */

/* Takes a pended FETCH that is not being cancelled; under the lock. */
static PIRP TakeFetch(void)
{
    PLIST_ENTRY entry;
    for (entry = sim.fetches.Flink; entry != &sim.fetches; entry = entry->Flink) {
        PIRP irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
        if (IoSetCancelRoutine(irp, NULL) != NULL) {
            RemoveEntryList(entry);
            return irp;
        }
    }
    return NULL;
}

/* Completes a FETCH with the request, which it frees. */
static void DeliverRequest(PIRP fetch, QUEUED_REQUEST* queued)
{
    ULONG size = sizeof(SIMHOST_REQUEST) + queued->request.inputSize;
    UCHAR* output = (UCHAR*)fetch->AssociatedIrp.SystemBuffer;
    RtlCopyMemory(output, &queued->request, sizeof(SIMHOST_REQUEST));
    RtlCopyMemory(output + sizeof(SIMHOST_REQUEST), queued->input, queued->request.inputSize);
    ExFreePoolWithTag(queued, SIM_POOL_TAG);
    CompleteIrp(fetch, STATUS_SUCCESS, size);
}

/* Hands the request to a waiting FETCH or queues it; under the lock. Returns the
 * FETCH to complete with DeliverRequest once the lock is released. */
static PIRP PostRequest(QUEUED_REQUEST* queued)
{
    PIRP fetch = IsListEmpty(&sim.queued) ? TakeFetch() : NULL;
    if (!fetch)
        InsertTailList(&sim.queued, &queued->entry);
    return fetch;
}

/* Takes the queued request with the id; under the lock. */
static QUEUED_REQUEST* TakeQueued(ULONG id)
{
    PLIST_ENTRY entry;
    for (entry = sim.queued.Flink; entry != &sim.queued; entry = entry->Flink) {
        QUEUED_REQUEST* queued = CONTAINING_RECORD(entry, QUEUED_REQUEST, entry);
        if (queued->request.id == id) {
            RemoveEntryList(entry);
            return queued;
        }
    }
    return NULL;
}

static QUEUED_REQUEST* NewRequest(ULONG kind, PFILE_OBJECT file, const FILE_CONTEXT* context, ULONG target, ULONG code,
                                  const void* input, ULONG inputSize, ULONG outputSize)
{
    QUEUED_REQUEST* queued =
        (QUEUED_REQUEST*)ExAllocatePoolWithTag(NonPagedPool, sizeof(QUEUED_REQUEST) + inputSize, SIM_POOL_TAG);
    if (!queued)
        return NULL;
    RtlZeroMemory(&queued->request, sizeof(queued->request));
    queued->request.kind = kind;
    queued->request.file = (unsigned long long)(ULONG_PTR)file;
    queued->request.processId = (unsigned int)(ULONG_PTR)PsGetCurrentProcessId();
    queued->request.code = code;
    queued->request.inputSize = inputSize;
    queued->request.outputSize = outputSize;
    queued->request.target = target;
    if (context) {
        queued->request.unit = context->target == SIMHOST_TARGET_UNIT ? context->unit : 0;
        RtlCopyMemory(queued->request.interfaceClass, &classGuids[context->classIndex], 16);
    }
    if (inputSize)
        RtlCopyMemory(queued->input, input, inputSize);
    return queued;
}

/* Completes a forwarded IRP; a create that fails marks its file's context. */
static void CompleteForwarded(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (stack->MajorFunction == IRP_MJ_CREATE && !NT_SUCCESS(status) && stack->FileObject->FsContext)
        ((FILE_CONTEXT*)stack->FileObject->FsContext)->failure = status;
    CompleteIrp(irp, status, information);
}

static void CancelForwarded(PDEVICE_OBJECT device, PIRP irp)
{
    KIRQL irql;
    QUEUED_REQUEST* queued;
    UNREFERENCED_PARAMETER(device);

    IoReleaseCancelSpinLock(irp->CancelIrql);
    KeAcquireSpinLock(&sim.lock, &irql);
    RemoveEntryList(&irp->Tail.Overlay.ListEntry);
    queued = TakeQueued((ULONG)(ULONG_PTR)IRP_REQUEST_ID(irp)); /* not fetched yet: the host never sees it */
    KeReleaseSpinLock(&sim.lock, irql);
    if (queued)
        ExFreePoolWithTag(queued, SIM_POOL_TAG);
    CompleteForwarded(irp, STATUS_CANCELLED, 0);
}

static void CancelFetch(PDEVICE_OBJECT device, PIRP irp)
{
    KIRQL irql;
    UNREFERENCED_PARAMETER(device);

    IoReleaseCancelSpinLock(irp->CancelIrql);
    KeAcquireSpinLock(&sim.lock, &irql);
    RemoveEntryList(&irp->Tail.Overlay.ListEntry);
    KeReleaseSpinLock(&sim.lock, irql);
    CompleteIrp(irp, STATUS_CANCELLED, 0);
}

/* Pends the IRP until the host answers the request (which it takes). Returns
 * STATUS_PENDING, or STATUS_DEVICE_NOT_CONNECTED with the request freed and the
 * IRP untouched when no host serves the session (0: any). */
static NTSTATUS Forward(PIRP irp, QUEUED_REQUEST* queued, ULONG session)
{
    KIRQL irql;
    PIRP fetch = NULL;

    KeAcquireSpinLock(&sim.lock, &irql);
    if (!sim.servingFile || (session && session != sim.session)) {
        KeReleaseSpinLock(&sim.lock, irql);
        ExFreePoolWithTag(queued, SIM_POOL_TAG);
        return STATUS_DEVICE_NOT_CONNECTED;
    }
    if (++sim.nextId == 0)
        sim.nextId = 1;
    queued->request.id = sim.nextId;
    IRP_REQUEST_ID(irp) = (PVOID)(ULONG_PTR)sim.nextId;
    IRP_OUTPUT_SIZE(irp) = (PVOID)(ULONG_PTR)queued->request.outputSize;
    IoMarkIrpPending(irp);
    IoSetCancelRoutine(irp, CancelForwarded);
    if (irp->Cancel && IoSetCancelRoutine(irp, NULL) != NULL) {
        KeReleaseSpinLock(&sim.lock, irql);
        ExFreePoolWithTag(queued, SIM_POOL_TAG);
        CompleteForwarded(irp, STATUS_CANCELLED, 0);
        return STATUS_PENDING;
    }
    /* Being cancelled already, the cancel routine takes it from the list. */
    InsertTailList(&sim.forwarded, &irp->Tail.Overlay.ListEntry);
    if (irp->Cancel) {
        ExFreePoolWithTag(queued, SIM_POOL_TAG);
        queued = NULL;
    } else {
        fetch = PostRequest(queued);
    }
    KeReleaseSpinLock(&sim.lock, irql);
    if (fetch)
        DeliverRequest(fetch, queued);
    return STATUS_PENDING;
}

/* Tells the host a program's file was closed, when that host got its create. */
static void PostClose(PFILE_OBJECT file, const FILE_CONTEXT* context)
{
    KIRQL irql;
    PIRP fetch = NULL;
    QUEUED_REQUEST* queued = NewRequest(SIMHOST_KIND_CLOSE, file, context, context->target, 0, NULL, 0, 0);
    if (!queued)
        return;
    KeAcquireSpinLock(&sim.lock, &irql);
    if (sim.servingFile && sim.session == context->session) {
        fetch = PostRequest(queued);
        queued = fetch ? queued : NULL;
    }
    KeReleaseSpinLock(&sim.lock, irql);
    if (fetch)
        DeliverRequest(fetch, queued);
    else if (queued)
        ExFreePoolWithTag(queued, SIM_POOL_TAG);
}

/* The host's serving file is going: every request it has not answered fails,
 * queued ones are dropped and the interfaces are disabled. */
static void EndService(PFILE_OBJECT file)
{
    KIRQL irql;
    LIST_ENTRY irps, fetches, requests;
    PLIST_ENTRY entry, next;

    InitializeListHead(&irps);
    InitializeListHead(&fetches);
    InitializeListHead(&requests);
    KeAcquireSpinLock(&sim.lock, &irql);
    if (sim.servingFile != file) {
        KeReleaseSpinLock(&sim.lock, irql);
        return;
    }
    sim.servingFile = NULL;
    sim.wantedInterfaces = 0;
    for (entry = sim.forwarded.Flink; entry != &sim.forwarded; entry = next) {
        PIRP irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
        next = entry->Flink;
        if (IoSetCancelRoutine(irp, NULL) != NULL) {
            RemoveEntryList(entry);
            InsertTailList(&irps, entry);
        }
    }
    for (entry = sim.fetches.Flink; entry != &sim.fetches; entry = next) {
        PIRP irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
        next = entry->Flink;
        if (IoSetCancelRoutine(irp, NULL) != NULL) {
            RemoveEntryList(entry);
            InsertTailList(&fetches, entry);
        }
    }
    while (!IsListEmpty(&sim.queued))
        InsertTailList(&requests, RemoveHeadList(&sim.queued));
    KeReleaseSpinLock(&sim.lock, irql);

    while (!IsListEmpty(&requests))
        ExFreePoolWithTag(CONTAINING_RECORD(RemoveHeadList(&requests), QUEUED_REQUEST, entry), SIM_POOL_TAG);
    while (!IsListEmpty(&irps))
        CompleteForwarded(CONTAINING_RECORD(RemoveHeadList(&irps), IRP, Tail.Overlay.ListEntry),
                          STATUS_DEVICE_NOT_CONNECTED, 0);
    while (!IsListEmpty(&fetches))
        CompleteIrp(CONTAINING_RECORD(RemoveHeadList(&fetches), IRP, Tail.Overlay.ListEntry), STATUS_CANCELLED, 0);
    ApplyInterfaceStates();
}

/* --- Create, close ----------------------------------------------------------- */

/* Reads "mixer<N>" or "settings<N>", with or without a leading backslash, in
 * any case. */
static BOOLEAN ParseUnitName(PCUNICODE_STRING name, ULONG* classIndex, ULONG* unit)
{
    const WCHAR* text = name->Buffer;
    ULONG length = name->Length / sizeof(WCHAR);
    ULONG c;

    if (length && text[0] == L'\\') {
        ++text;
        --length;
    }
    for (c = 0; c < 2; ++c) {
        const WCHAR* prefix = classPrefixes[c];
        ULONG i = 0, value = 0, digits;
        while (prefix[i] && i < length) {
            WCHAR ch = text[i];
            if (ch >= L'A' && ch <= L'Z')
                ch = (WCHAR)(ch - L'A' + L'a');
            if (ch != prefix[i])
                break;
            ++i;
        }
        if (prefix[i])
            continue;
        digits = length - i;
        if (digits == 0 || digits > 2 || (digits == 2 && text[i] == L'0'))
            return FALSE;
        for (; i < length; ++i) {
            if (text[i] < L'0' || text[i] > L'9')
                return FALSE;
            value = value * 10 + (ULONG)(text[i] - L'0');
        }
        if (value >= SIMHOST_MAX_UNITS)
            return FALSE;
        *classIndex = c;
        *unit = value;
        return TRUE;
    }
    return FALSE;
}

static NTSTATUS DispatchCreate(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    PFILE_OBJECT file = stack->FileObject;
    FILE_CONTEXT* context;
    QUEUED_REQUEST* queued;
    ULONG classIndex = 0, unit = 0, target;
    NTSTATUS status;

    file->FsContext = NULL;
    switch (RoleOf(device)) {
    case ROLE_HOST:
        return CompleteIrp(irp, STATUS_SUCCESS, 0);
    case ROLE_FDO:
        if (!ParseUnitName(&file->FileName, &classIndex, &unit))
            return CompleteIrp(irp, STATUS_OBJECT_NAME_NOT_FOUND, 0);
        target = SIMHOST_TARGET_UNIT;
        break;
    case ROLE_UNIT:
        classIndex = ((DEVICE_EXTENSION*)device->DeviceExtension)->classIndex;
        unit = ((DEVICE_EXTENSION*)device->DeviceExtension)->unit;
        target = SIMHOST_TARGET_UNIT;
        break;
    default:
        if (file->FileName.Length > sizeof(WCHAR) ||
            (file->FileName.Length == sizeof(WCHAR) && file->FileName.Buffer[0] != L'\\'))
            return CompleteIrp(irp, STATUS_OBJECT_NAME_NOT_FOUND, 0);
        classIndex = RoleOf(device) == ROLE_MIXER_CONTROL ? 0 : 1;
        target = SIMHOST_TARGET_CONTROL;
        break;
    }

    context = (FILE_CONTEXT*)ExAllocatePoolWithTag(NonPagedPool, sizeof(FILE_CONTEXT), SIM_POOL_TAG);
    if (!context)
        return CompleteIrp(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    context->target = target;
    context->unit = unit;
    context->classIndex = classIndex;
    context->failure = STATUS_SUCCESS;
    queued = NewRequest(SIMHOST_KIND_CREATE, file, context, target, 0, NULL, 0, 0);
    if (!queued) {
        ExFreePoolWithTag(context, SIM_POOL_TAG);
        return CompleteIrp(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    }
    /* The session is read under the lock by Forward; a create that races with a
     * new SERVE is answered by the new host and must belong to it. */
    file->FsContext = context;
    {
        KIRQL irql;
        BOOLEAN plugged;
        KeAcquireSpinLock(&sim.lock, &irql);
        context->session = sim.session;
        plugged = target != SIMHOST_TARGET_UNIT || (sim.wantedInterfaces & (1u << unit)) != 0;
        KeReleaseSpinLock(&sim.lock, irql);
        if (!plugged) {
            ExFreePoolWithTag(queued, SIM_POOL_TAG);
            context->failure = STATUS_OBJECT_NAME_NOT_FOUND;
            return CompleteIrp(irp, context->failure, 0);
        }
    }
    status = Forward(irp, queued, context->session);
    if (status == STATUS_PENDING)
        return status;
    context->failure = STATUS_OBJECT_NAME_NOT_FOUND; /* no host: no such device */
    return CompleteIrp(irp, context->failure, 0);
}

static NTSTATUS DispatchClose(PDEVICE_OBJECT device, PIRP irp)
{
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    if (RoleOf(device) == ROLE_HOST) {
        EndService(file);
    } else if (file->FsContext) {
        FILE_CONTEXT* context = (FILE_CONTEXT*)file->FsContext;
        file->FsContext = NULL;
        if (NT_SUCCESS(context->failure))
            PostClose(file, context);
        ExFreePoolWithTag(context, SIM_POOL_TAG);
    }
    return CompleteIrp(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS DispatchCleanup(PDEVICE_OBJECT device, PIRP irp)
{
    /* The last handle of the serving file is gone: its FETCHes must end for the
     * close to come. */
    if (RoleOf(device) == ROLE_HOST)
        EndService(IoGetCurrentIrpStackLocation(irp)->FileObject);
    return CompleteIrp(irp, STATUS_SUCCESS, 0);
}

/* --- I/O control ------------------------------------------------------------- */

static NTSTATUS HostFetch(PIRP irp, PFILE_OBJECT file, ULONG outputLength)
{
    KIRQL irql;
    QUEUED_REQUEST* queued = NULL;

    if (outputLength < SIMHOST_FETCH_SIZE)
        return CompleteIrp(irp, STATUS_BUFFER_TOO_SMALL, 0);
    KeAcquireSpinLock(&sim.lock, &irql);
    if (sim.servingFile != file) {
        KeReleaseSpinLock(&sim.lock, irql);
        return CompleteIrp(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
    if (!IsListEmpty(&sim.queued)) {
        queued = CONTAINING_RECORD(RemoveHeadList(&sim.queued), QUEUED_REQUEST, entry);
    } else {
        IoMarkIrpPending(irp);
        IoSetCancelRoutine(irp, CancelFetch);
        if (irp->Cancel && IoSetCancelRoutine(irp, NULL) != NULL) {
            KeReleaseSpinLock(&sim.lock, irql);
            CompleteIrp(irp, STATUS_CANCELLED, 0);
            return STATUS_PENDING;
        }
        InsertTailList(&sim.fetches, &irp->Tail.Overlay.ListEntry);
    }
    KeReleaseSpinLock(&sim.lock, irql);
    if (!queued)
        return STATUS_PENDING;
    DeliverRequest(irp, queued);
    return STATUS_SUCCESS;
}

static NTSTATUS HostComplete(PIRP irp, PFILE_OBJECT file, ULONG inputLength)
{
    const SIMHOST_COMPLETION* completion = (const SIMHOST_COMPLETION*)irp->AssociatedIrp.SystemBuffer;
    PIRP target = NULL;
    PLIST_ENTRY entry;
    KIRQL irql;

    if (inputLength < sizeof(SIMHOST_COMPLETION) || completion->bytes > inputLength - sizeof(SIMHOST_COMPLETION))
        return CompleteIrp(irp, STATUS_INVALID_PARAMETER, 0);
    KeAcquireSpinLock(&sim.lock, &irql);
    if (sim.servingFile != file) {
        KeReleaseSpinLock(&sim.lock, irql);
        return CompleteIrp(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
    for (entry = sim.forwarded.Flink; entry != &sim.forwarded; entry = entry->Flink) {
        PIRP candidate = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
        if (completion->id != 0 && (ULONG)(ULONG_PTR)IRP_REQUEST_ID(candidate) == completion->id) {
            /* One being cancelled is the cancel routine's to complete. */
            if (IoSetCancelRoutine(candidate, NULL) != NULL) {
                RemoveEntryList(entry);
                target = candidate;
            }
            break;
        }
    }
    KeReleaseSpinLock(&sim.lock, irql);

    if (target) {
        NTSTATUS status = StatusForError(completion->error);
        ULONG bytes = 0;
        if (IoGetCurrentIrpStackLocation(target)->MajorFunction == IRP_MJ_DEVICE_CONTROL && !NT_ERROR(status)) {
            ULONG outputSize = (ULONG)(ULONG_PTR)IRP_OUTPUT_SIZE(target);
            bytes = completion->bytes < outputSize ? completion->bytes : outputSize;
            RtlCopyMemory(target->AssociatedIrp.SystemBuffer, completion + 1, bytes);
        }
        CompleteForwarded(target, status, bytes);
    }
    return CompleteIrp(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS HostControl(PIRP irp, PFILE_OBJECT file)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG inputLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outputLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    KIRQL irql;

    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case SIMHOST_IOCTL_SERVE: {
        NTSTATUS status = STATUS_SUCCESS;
        KeAcquireSpinLock(&sim.lock, &irql);
        if (!sim.servingFile) {
            sim.servingFile = file;
            ++sim.session;
        } else if (sim.servingFile != file) {
            status = STATUS_DEVICE_BUSY;
        }
        KeReleaseSpinLock(&sim.lock, irql);
        return CompleteIrp(irp, status, 0);
    }
    case SIMHOST_IOCTL_FETCH:
        return HostFetch(irp, file, outputLength);
    case SIMHOST_IOCTL_COMPLETE:
        return HostComplete(irp, file, inputLength);
    case SIMHOST_IOCTL_INTERFACE: {
        const SIMHOST_INTERFACE_STATE* state = (const SIMHOST_INTERFACE_STATE*)irp->AssociatedIrp.SystemBuffer;
        if (inputLength < sizeof(*state) || state->unit >= SIMHOST_MAX_UNITS)
            return CompleteIrp(irp, STATUS_INVALID_PARAMETER, 0);
        KeAcquireSpinLock(&sim.lock, &irql);
        if (sim.servingFile != file) {
            KeReleaseSpinLock(&sim.lock, irql);
            return CompleteIrp(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
        }
        if (state->enabled)
            sim.wantedInterfaces |= 1u << state->unit;
        else
            sim.wantedInterfaces &= ~(1u << state->unit);
        KeReleaseSpinLock(&sim.lock, irql);
        ApplyInterfaceStates();
        return CompleteIrp(irp, STATUS_SUCCESS, 0);
    }
    case SIMHOST_IOCTL_ADMIN: {
        const SIMHOST_ADMIN* admin = (const SIMHOST_ADMIN*)irp->AssociatedIrp.SystemBuffer;
        QUEUED_REQUEST* queued;
        NTSTATUS status;
        if (inputLength < sizeof(*admin))
            return CompleteIrp(irp, STATUS_INVALID_PARAMETER, 0);
        queued = NewRequest(SIMHOST_KIND_ADMIN, file, NULL, SIMHOST_TARGET_ADMIN, admin->command, &admin->a,
                            2 * sizeof(unsigned int),
                            outputLength < SIMHOST_ADMIN_OUTPUT ? outputLength : SIMHOST_ADMIN_OUTPUT);
        if (!queued)
            return CompleteIrp(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
        status = Forward(irp, queued, 0);
        return status == STATUS_PENDING ? status : CompleteIrp(irp, status, 0);
    }
    default:
        return CompleteIrp(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

static NTSTATUS DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    FILE_CONTEXT* context = (FILE_CONTEXT*)stack->FileObject->FsContext;
    ULONG inputLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outputLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    QUEUED_REQUEST* queued;
    NTSTATUS status;

    if (RoleOf(device) == ROLE_HOST)
        return HostControl(irp, stack->FileObject);
    if (!context)
        return CompleteIrp(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    if (!NT_SUCCESS(context->failure))
        return CompleteIrp(irp, context->failure, 0);
    if (inputLength > SIMHOST_MAX_INPUT)
        return CompleteIrp(irp, STATUS_INVALID_PARAMETER, 0);
    queued = NewRequest(SIMHOST_KIND_IOCTL, stack->FileObject, context, context->target,
                        stack->Parameters.DeviceIoControl.IoControlCode, irp->AssociatedIrp.SystemBuffer, inputLength,
                        outputLength < SIMHOST_MAX_OUTPUT ? outputLength : SIMHOST_MAX_OUTPUT);
    if (!queued)
        return CompleteIrp(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    status = Forward(irp, queued, context->session);
    return status == STATUS_PENDING ? status : CompleteIrp(irp, status, 0);
}

/* --- Plug and play, power ---------------------------------------------------- */

static void DeleteNamedDevices(void)
{
    ULONG i, c;
    for (c = 0; c < 2; ++c) {
        for (i = 0; i < SIMHOST_MAX_UNITS; ++i) {
            if (sim.units[c][i])
                IoDeleteDevice(sim.units[c][i]);
            sim.units[c][i] = NULL;
        }
    }
    for (i = 0; i < 3; ++i) {
        if (sim.linked[i]) {
            UNICODE_STRING link;
            RtlInitUnicodeString(&link, namedLinks[i]);
            IoDeleteSymbolicLink(&link);
            sim.linked[i] = FALSE;
        }
        if (sim.named[i]) {
            IoDeleteDevice(sim.named[i]);
            sim.named[i] = NULL;
        }
    }
}

static NTSTATUS CreateNamedDevices(PDRIVER_OBJECT driver)
{
    static const DEVICE_ROLE roles[3] = {ROLE_HOST, ROLE_MIXER_CONTROL, ROLE_SETTINGS_CONTROL};
    ULONG i, c;
    for (i = 0; i < 3; ++i) {
        UNICODE_STRING name, link;
        NTSTATUS status;
        RtlInitUnicodeString(&name, namedDevices[i]);
        RtlInitUnicodeString(&link, namedLinks[i]);
        status = IoCreateDevice(driver, sizeof(DEVICE_EXTENSION), &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &sim.named[i]);
        if (!NT_SUCCESS(status))
            return status;
        ((DEVICE_EXTENSION*)sim.named[i]->DeviceExtension)->role = roles[i];
        ((DEVICE_EXTENSION*)sim.named[i]->DeviceExtension)->lower = NULL;
        status = IoCreateSymbolicLink(&link, &name);
        if (!NT_SUCCESS(status))
            return status;
        sim.linked[i] = TRUE;
        sim.named[i]->Flags &= ~DO_DEVICE_INITIALIZING;
    }
    for (c = 0; c < 2; ++c) {
        for (i = 0; i < SIMHOST_MAX_UNITS; ++i) {
            TEXT_BUFFER text;
            UNICODE_STRING name;
            DEVICE_EXTENSION* extension;
            WCHAR digits[4];
            ULONG count = 0, n = i;
            NTSTATUS status;
            text.length = 0;
            Append(&text, c == 0 ? L"\\Device\\TessarySimMixer" : L"\\Device\\TessarySimSettings", 40);
            do {
                digits[count++] = (WCHAR)(L'0' + n % 10);
                n /= 10;
            } while (n);
            while (count)
                Append(&text, &digits[--count], 1);
            AsUnicode(&text, &name);
            status = IoCreateDevice(driver, sizeof(DEVICE_EXTENSION), &name, FILE_DEVICE_UNKNOWN, 0, FALSE,
                                    &sim.units[c][i]);
            if (!NT_SUCCESS(status)) {
                sim.units[c][i] = NULL;
                return status;
            }
            extension = (DEVICE_EXTENSION*)sim.units[c][i]->DeviceExtension;
            extension->role = ROLE_UNIT;
            extension->lower = NULL;
            extension->classIndex = c;
            extension->unit = i;
            sim.units[c][i]->Flags &= ~DO_DEVICE_INITIALIZING;
        }
    }
    return STATUS_SUCCESS;
}

static void DeleteFdo(void)
{
    ULONG c;
    DeleteNamedDevices();
    FreeInterfaceNames();
    for (c = 0; c < 2; ++c) {
        if (sim.linkDirectories[c])
            ZwClose(sim.linkDirectories[c]);
        sim.linkDirectories[c] = NULL;
    }
    if (sim.fdo) {
        DEVICE_EXTENSION* extension = (DEVICE_EXTENSION*)sim.fdo->DeviceExtension;
        if (extension->lower)
            IoDetachDevice(extension->lower);
        IoDeleteDevice(sim.fdo);
        sim.fdo = NULL;
    }
}

static NTSTATUS AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo)
{
    DEVICE_EXTENSION* extension;
    NTSTATUS status;

    if (sim.fdo)
        return STATUS_DEVICE_ALREADY_ATTACHED; /* one simulated bus at a time */
    status = IoCreateDevice(driver, sizeof(DEVICE_EXTENSION), NULL, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE,
                            &sim.fdo);
    if (!NT_SUCCESS(status)) {
        sim.fdo = NULL;
        return status;
    }
    extension = (DEVICE_EXTENSION*)sim.fdo->DeviceExtension;
    extension->role = ROLE_FDO;
    extension->lower = IoAttachDeviceToDeviceStack(sim.fdo, pdo);
    if (!extension->lower) {
        status = STATUS_NO_SUCH_DEVICE;
    } else {
        status = RegisterInterfaces(pdo);
        if (NT_SUCCESS(status))
            status = CreateNamedDevices(driver);
    }
    if (!NT_SUCCESS(status)) {
        DeleteFdo();
        return status;
    }
    sim.fdo->Flags |= pdo->Flags & DO_POWER_PAGABLE;
    sim.fdo->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static NTSTATUS StartCompleted(PDEVICE_OBJECT device, PIRP irp, PVOID event)
{
    UNREFERENCED_PARAMETER(device);
    UNREFERENCED_PARAMETER(irp);
    KeSetEvent((PKEVENT)event, IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

static NTSTATUS DispatchPnp(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    DEVICE_EXTENSION* extension = (DEVICE_EXTENSION*)device->DeviceExtension;
    NTSTATUS status;
    KIRQL irql;

    if (extension->role != ROLE_FDO) {
        status = irp->IoStatus.Status;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return status;
    }
    switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE: {
        KEVENT event;
        KeInitializeEvent(&event, NotificationEvent, FALSE);
        IoCopyCurrentIrpStackLocationToNext(irp);
        IoSetCompletionRoutine(irp, StartCompleted, &event, TRUE, TRUE, TRUE);
        status = IoCallDriver(extension->lower, irp);
        if (status == STATUS_PENDING)
            KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, NULL);
        status = irp->IoStatus.Status;
        if (NT_SUCCESS(status)) {
            KeAcquireSpinLock(&sim.lock, &irql);
            sim.started = TRUE;
            KeReleaseSpinLock(&sim.lock, irql);
            ApplyInterfaceStates();
        }
        return CompleteIrp(irp, status, irp->IoStatus.Information);
    }
    case IRP_MN_REMOVE_DEVICE: {
        PFILE_OBJECT serving;
        KeAcquireSpinLock(&sim.lock, &irql);
        serving = sim.servingFile;
        sim.started = FALSE;
        KeReleaseSpinLock(&sim.lock, irql);
        if (serving)
            EndService(serving);
        ApplyInterfaceStates();
        irp->IoStatus.Status = STATUS_SUCCESS;
        IoSkipCurrentIrpStackLocation(irp);
        status = IoCallDriver(extension->lower, irp);
        DeleteFdo();
        return status;
    }
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_SURPRISE_REMOVAL:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_STOP_DEVICE:
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    default:
        break;
    }
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(extension->lower, irp);
}

static NTSTATUS DispatchPower(PDEVICE_OBJECT device, PIRP irp)
{
    DEVICE_EXTENSION* extension = (DEVICE_EXTENSION*)device->DeviceExtension;
    PoStartNextPowerIrp(irp);
    if (extension->role != ROLE_FDO) {
        NTSTATUS status = irp->IoStatus.Status;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return status;
    }
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(extension->lower, irp);
}

static void Unload(PDRIVER_OBJECT driver)
{
    UNREFERENCED_PARAMETER(driver);
    /* Everything belongs to the device, and went with its removal. */
}

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    UNREFERENCED_PARAMETER(registryPath);
    RtlZeroMemory(&sim, sizeof(sim));
    KeInitializeSpinLock(&sim.lock);
    InitializeListHead(&sim.queued);
    InitializeListHead(&sim.fetches);
    InitializeListHead(&sim.forwarded);
    KeInitializeEvent(&sim.interfaceMutex, SynchronizationEvent, TRUE);

    driver->DriverExtension->AddDevice = AddDevice;
    driver->DriverUnload = Unload;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
    driver->MajorFunction[IRP_MJ_POWER] = DispatchPower;
    return STATUS_SUCCESS;
}
