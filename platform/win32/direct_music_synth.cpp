#include "platform/win32/direct_music_synth.h"

#include <windows.h>
#include <dmusicc.h>
#include <dmusici.h>
#include <mmsystem.h>

namespace quorva {
namespace {

constexpr int64_t unitsPerMs = 10000;  // the reference clock counts 100 ns
constexpr DWORD shortBufferBytes = 64;
constexpr DWORD shortMessageGroup = 1;
constexpr DWORD sysexGroup = 0;
constexpr DWORD instrumentNameLength = 260;

template <typename Interface>
void release(Interface*& object)
{
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

HRESULT createBuffer(IDirectMusic& directMusic, DWORD bytes, IDirectMusicBuffer** buffer)
{
    DMUS_BUFFERDESC description{};
    description.dwSize = sizeof description;
    description.cbBuffer = bytes;  // default format (GUID_NULL), no flags
    return directMusic.CreateMusicBuffer(&description, buffer, nullptr);
}

}  // namespace

DirectMusicSynth::~DirectMusicSynth()
{
    close();
}

bool DirectMusicSynth::fail(const char* step, int32_t result)
{
    failedStep_ = step;
    failedResult_ = result;
    return false;
}

bool DirectMusicSynth::open(int32_t sampleRate, bool effects)
{
    close();
    failedStep_ = "";
    failedResult_ = S_OK;
    const HRESULT com = CoInitialize(nullptr);
    comInitialised_ = SUCCEEDED(com);
    HRESULT result = CoCreateInstance(CLSID_DirectMusic, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectMusic,
                                      reinterpret_cast<void**>(&directMusic_));
    if (FAILED(result)) {
        return fail("CoCreateInstance(CLSID_DirectMusic)", result);
    }
    // DirectMusic makes its own DirectSound object for the window.
    result = directMusic_->SetDirectSound(nullptr, window_ != nullptr ? window_ : GetDesktopWindow());
    if (FAILED(result)) {
        return fail("SetDirectSound", result);
    }
    directMusic_->Activate(TRUE);
    GUID portClass{};
    result = directMusic_->GetDefaultPort(&portClass);
    if (FAILED(result)) {
        return fail("GetDefaultPort", result);
    }
    // Only the rate and the effects are chosen; DirectMusic chooses the rest.
    DMUS_PORTPARAMS parameters{};
    parameters.dwSize = sizeof parameters;
    parameters.dwValidParams = DMUS_PORTPARAMS_SAMPLERATE | DMUS_PORTPARAMS_EFFECTS;
    parameters.dwSampleRate = static_cast<DWORD>(sampleRate);
    parameters.dwEffectFlags = effects ? DMUS_EFFECT_REVERB | DMUS_EFFECT_CHORUS : DMUS_EFFECT_NONE;
    result = directMusic_->CreatePort(portClass, &parameters, &port_, nullptr);
    if (FAILED(result)) {
        return fail("CreatePort", result);
    }
    result = port_->Activate(TRUE);
    if (FAILED(result)) {
        return fail("IDirectMusicPort::Activate", result);
    }
    result = createBuffer(*directMusic_, shortBufferBytes, &buffer_);
    if (FAILED(result)) {
        return fail("CreateMusicBuffer", result);
    }
    result = port_->GetLatencyClock(&clock_);
    if (FAILED(result)) {
        return fail("GetLatencyClock", result);
    }
    if (!downloadCollection()) {
        return false;
    }
    latencyClockMs();
    return true;
}

bool DirectMusicSynth::downloadCollection()
{
    IDirectMusicLoader* loader = nullptr;
    HRESULT result = CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectMusicLoader,
                                      reinterpret_cast<void**>(&loader));
    if (FAILED(result)) {
        return fail("CoCreateInstance(CLSID_DirectMusicLoader)", result);
    }
    DMUS_OBJECTDESC description{};
    description.dwSize = sizeof description;
    description.dwValidData = DMUS_OBJ_OBJECT | DMUS_OBJ_CLASS;
    description.guidObject = GUID_DefaultGMCollection;
    description.guidClass = CLSID_DirectMusicCollection;
    IDirectMusicCollection* collection = nullptr;
    result = loader->GetObject(&description, IID_IDirectMusicCollection, reinterpret_cast<void**>(&collection));
    if (FAILED(result) || collection == nullptr) {
        loader->Release();
        return fail("GetObject(GUID_DefaultGMCollection)", FAILED(result) ? result : E_FAIL);
    }
    WCHAR name[instrumentNameLength];
    DWORD patch = 0;
    for (DWORD index = 0; collection->EnumInstrument(index, &patch, name, instrumentNameLength) == S_OK; ++index) {
        IDirectMusicInstrument* instrument = nullptr;
        if (FAILED(collection->GetInstrument(patch, &instrument)) || instrument == nullptr) {
            continue;
        }
        SoftSynthPreset preset;
        preset.program = static_cast<uint8_t>(patch & 0xFF);
        preset.bankMsb = static_cast<uint8_t>((patch >> 16) & 0xFF);
        preset.drumKit = (patch & F_INSTRUMENT_DRUMS) != 0;
        presets_.push_back(preset);
        // The port holds the downloaded instrument until it is released.
        IDirectMusicDownloadedInstrument* downloaded = nullptr;
        if (SUCCEEDED(port_->DownloadInstrument(instrument, &downloaded, nullptr, 0)) && downloaded != nullptr) {
            downloaded->Release();
        }
        instrument->Release();
    }
    port_->Compact();
    collection->Release();
    loader->Release();
    return true;
}

void DirectMusicSynth::close()
{
    if (directMusic_ != nullptr) {
        release(buffer_);
        release(clock_);
        if (port_ != nullptr) {
            port_->Activate(FALSE);
            release(port_);
        }
        release(directMusic_);
    }
    presets_.clear();
    if (comInitialised_) {
        CoUninitialize();
        comInitialised_ = false;
    }
}

uint32_t DirectMusicSynth::latencyClockMs()
{
    REFERENCE_TIME now = 0;
    if (clock_ == nullptr || FAILED(clock_->GetTime(&now))) {
        now = static_cast<REFERENCE_TIME>(timeGetTime()) * unitsPerMs;
    }
    lastReading_.store(now);
    return static_cast<uint32_t>(now / unitsPerMs);
}

int64_t DirectMusicSynth::referenceTime(uint32_t stampMs) const
{
    const int64_t reading = lastReading_.load();
    const auto ahead = static_cast<int32_t>(stampMs - static_cast<uint32_t>(reading / unitsPerMs));
    return reading + static_cast<int64_t>(ahead) * unitsPerMs;
}

void DirectMusicSynth::playShort(uint32_t stampMs, uint32_t message)
{
    std::lock_guard guard(sendLock_);
    if (port_ == nullptr || buffer_ == nullptr) {
        return;
    }
    buffer_->PackStructured(referenceTime(stampMs), shortMessageGroup, message);
    port_->PlayBuffer(buffer_);
    buffer_->Flush();
}

void DirectMusicSynth::playLong(uint32_t stampMs, const uint8_t* bytes, uint32_t length)
{
    std::lock_guard guard(sendLock_);
    if (port_ == nullptr || bytes == nullptr || length == 0) {
        return;
    }
    IDirectMusicBuffer* buffer = nullptr;
    if (FAILED(createBuffer(*directMusic_, length + 20, &buffer)) || buffer == nullptr) {
        return;
    }
    buffer->PackUnstructured(referenceTime(stampMs), sysexGroup, length, const_cast<LPBYTE>(bytes));
    port_->PlayBuffer(buffer);
    buffer->Flush();
    buffer->Release();
}

}  // namespace quorva
