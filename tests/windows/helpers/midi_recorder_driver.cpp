// winemidirecorder.drv: a MIDI out device for Wine that writes every message it receives to
// the file named by QUORVA_MIDI_RECORDING (a Windows path), one message a line: the time of
// its arrival (timeGetTime, ms) and its bytes in hex ("1234 90 3c 64", "1234 f0 7e 7f 09 01
// f7"), between "# open" and "# close" lines. Without that variable the device refuses to
// open, as a device in use does.
//
// Wine takes its multimedia drivers from the list in HKCU\Software\Wine\Drivers "Audio":
// "midirecorder" there loads this file, whose MIDI out Wine's MIDI mapper then reaches. The
// audio part of the driver has no endpoints, so the process has no sound output meanwhile.
#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* recordingVariable = "QUORVA_MIDI_RECORDING";

using DriverCallbackFunction = BOOL(WINAPI*)(DWORD_PTR, DWORD, HDRVR, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR);

// The one device, guarded by `lock`: the service may call from several threads.
struct Device {
    bool open = false;
    MIDIOPENDESC client{};
    WORD callbackKind = 0;
    std::FILE* log = nullptr;
};

Device device;
CRITICAL_SECTION lock;

void notifyClient(DWORD message, DWORD_PTR parameter)
{
    static const auto driverCallback =
        reinterpret_cast<DriverCallbackFunction>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("winmm.dll"), "DriverCallback")));
    if (driverCallback != nullptr) {
        driverCallback(device.client.dwCallback, device.callbackKind, reinterpret_cast<HDRVR>(device.client.hMidi),
                       message, device.client.dwInstance, parameter, 0);
    }
}

void record(const uint8_t* bytes, size_t count)
{
    std::fprintf(device.log, "%lu", static_cast<unsigned long>(timeGetTime()));
    for (size_t i = 0; i < count; ++i) {
        std::fprintf(device.log, " %02x", bytes[i]);
    }
    std::fputc('\n', device.log);
    std::fflush(device.log);
}

// The bytes a packed short message holds, by its status.
size_t shortLength(uint8_t status)
{
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 2;
    case 0xF0: return status == 0xF2 ? 3 : (status == 0xF1 || status == 0xF3) ? 2 : 1;
    default: return 3;
    }
}

DWORD openDevice(const MIDIOPENDESC* client, DWORD_PTR flags)
{
    char path[MAX_PATH] = {};
    if (device.open || GetEnvironmentVariableA(recordingVariable, path, MAX_PATH) == 0) {
        return MMSYSERR_ALLOCATED;
    }
    device.log = std::fopen(path, "ab");
    if (device.log == nullptr) {
        return MMSYSERR_ERROR;
    }
    device.open = true;
    device.client = *client;
    device.callbackKind = HIWORD(flags & CALLBACK_TYPEMASK);
    std::fputs("# open\n", device.log);
    std::fflush(device.log);
    notifyClient(MOM_OPEN, 0);
    return MMSYSERR_NOERROR;
}

DWORD closeDevice()
{
    if (!device.open) {
        return MMSYSERR_ERROR;
    }
    std::fputs("# close\n", device.log);
    std::fclose(device.log);
    device.log = nullptr;
    device.open = false;
    notifyClient(MOM_CLOSE, 0);
    return MMSYSERR_NOERROR;
}

DWORD shortData(DWORD_PTR message)
{
    if (!device.open) {
        return MMSYSERR_ERROR;
    }
    const uint8_t bytes[3] = {static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8),
                              static_cast<uint8_t>(message >> 16)};
    record(bytes, shortLength(bytes[0]));
    return MMSYSERR_NOERROR;
}

DWORD longData(MIDIHDR* header)
{
    if (!device.open) {
        return MMSYSERR_ERROR;
    }
    if ((header->dwFlags & MHDR_PREPARED) == 0) {
        return MIDIERR_UNPREPARED;
    }
    record(reinterpret_cast<const uint8_t*>(header->lpData), header->dwBufferLength);
    header->dwFlags = (header->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
    notifyClient(MOM_DONE, reinterpret_cast<DWORD_PTR>(header));
    return MMSYSERR_NOERROR;
}

DWORD capabilities(MIDIOUTCAPSW* caps, DWORD_PTR size)
{
    MIDIOUTCAPSW own{};
    own.wMid = 0xFF;
    own.wPid = 1;
    own.vDriverVersion = 0x0100;
    wcscpy(own.szPname, L"quorva MIDI recorder");
    own.wTechnology = MOD_MIDIPORT;
    own.wChannelMask = 0xFFFF;
    std::memcpy(caps, &own, std::min<size_t>(size, sizeof own));
    return MMSYSERR_NOERROR;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM first,
                                                             LPARAM second)
{
    switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_OPEN:
    case DRV_CLOSE:
    case DRV_ENABLE:
    case DRV_DISABLE: return 1;
    case DRV_QUERYCONFIGURE: return 0;
    default: return DefDriverProc(id, driver, message, first, second);
    }
}

extern "C" __declspec(dllexport) DWORD WINAPI modMessage(UINT id, UINT message, DWORD_PTR user, DWORD_PTR first,
                                                         DWORD_PTR second)
{
    EnterCriticalSection(&lock);
    DWORD result = MMSYSERR_NOTSUPPORTED;
    switch (message) {
    case DRVM_INIT:
    case DRVM_EXIT:
    case DRVM_ENABLE:
    case DRVM_DISABLE: result = MMSYSERR_NOERROR; break;
    case MODM_GETNUMDEVS: result = 1; break;
    case MODM_GETDEVCAPS: result = capabilities(reinterpret_cast<MIDIOUTCAPSW*>(first), second); break;
    case MODM_OPEN: result = openDevice(reinterpret_cast<const MIDIOPENDESC*>(first), second); break;
    case MODM_CLOSE: result = closeDevice(); break;
    case MODM_DATA: result = shortData(first); break;
    case MODM_LONGDATA: result = longData(reinterpret_cast<MIDIHDR*>(first)); break;
    // Wine's service leaves preparing to the driver.
    case MODM_PREPARE:
        reinterpret_cast<MIDIHDR*>(first)->dwFlags |= MHDR_PREPARED;
        result = MMSYSERR_NOERROR;
        break;
    case MODM_UNPREPARE:
        reinterpret_cast<MIDIHDR*>(first)->dwFlags &= ~MHDR_PREPARED;
        result = MMSYSERR_NOERROR;
        break;
    case MODM_RESET: result = MMSYSERR_NOERROR; break;
    default: break;
    }
    LeaveCriticalSection(&lock);
    return result;
}

// What Wine's audio device layer asks of every driver on its list: none of this one's.
extern "C" __declspec(dllexport) int WINAPI GetPriority()
{
    return 2;  // neutral
}

extern "C" __declspec(dllexport) HRESULT WINAPI GetEndpointIDs(int flow, WCHAR*** ids, GUID** guids, UINT* count,
                                                               UINT* defaultIndex)
{
    *ids = nullptr;
    *guids = nullptr;
    *count = 0;
    *defaultIndex = 0;
    return S_OK;
}

extern "C" __declspec(dllexport) HRESULT WINAPI GetAudioEndpoint(void* guid, void* device, void** client)
{
    return E_NOTIMPL;
}

extern "C" __declspec(dllexport) HRESULT WINAPI GetAudioSessionManager(void* device, void** manager)
{
    return E_NOTIMPL;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&lock);
    }
    return TRUE;
}
