#pragma once
#include "synth/fm_voice.h"
#include "synth/synth_channel.h"
#include "synth/synth_engine.h"
#include "synth/synth_pan_table.h"
#include "synth/synth_ring.h"
#include "synth/synth_voice_list.h"
#include "synth/tone_bank.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorva {

// The synthesizer engine: sixteen channels, a fixed pool of voices, the lists that order
// the sounding voices for stealing, and the stereo mix. Runs on the rendering thread only.
class FmSynth final : public SynthEngine {
public:
    static constexpr uint32_t channelCount = 16;
    static constexpr uint32_t rhythmChannel = 9;

    FmSynth();
    ~FmSynth() override;
    FmSynth(const FmSynth&) = delete;
    FmSynth& operator=(const FmSynth&) = delete;

    bool open(uint32_t voiceCount, const std::string& toneFilePath) override;
    void close() override;
    void handleMessage(uint32_t message) override;
    void handleCommand(const SynthCommand& command) override;
    void mixSample(int32_t& left, int32_t& right) override;
    void mixBlock(MixFrame* frames, uint32_t count) override;
    bool sounding() const override { return !allVoices_.empty(); }

    const SynthChannel& channel(uint32_t number) const { return channels_[number]; }
    const AllVoiceList& allVoices() const { return allVoices_; }
    const ReleasedVoiceList& releasedVoices() const { return releasedVoices_; }
    const PanTable& panTable() const { return panTable_; }
    ToneBank& toneBank() { return bank_; }
    uint32_t freeVoiceCount() const { return pool_.capacity() - pool_.size(); }

private:
    // Frames mixed per inner step, so the per-voice buffers stay in the cache.
    static constexpr uint32_t chunkFrames = 256;

    void controlChange(SynthChannel& channel, uint32_t controller, int32_t value);
    void dataEntry(SynthChannel& channel, int32_t value);
    void programChange(SynthChannel& channel, int32_t program);
    void noteOff(SynthChannel& channel, uint32_t key);
    void startNote(SynthChannel& channel, uint32_t key, uint32_t velocity);
    FmVoice* takeVoice();
    void noteOffVoice(FmVoice& voice);
    void releaseVoice(FmVoice& voice);
    void killVoice(FmVoice& voice);
    void killAllVoices();
    void mixChunk(MixFrame* frames, uint32_t count);
    void gatherVoices(SynthChannel& channel);
    void mixChannel(SynthChannel& channel, uint32_t count);

    ToneBank bank_;
    PanTable panTable_{};
    std::array<SynthChannel, channelCount> channels_;
    std::vector<FmVoice> slots_;
    SlotRing<FmVoice> pool_;
    AllVoiceList allVoices_;
    ReleasedVoiceList releasedVoices_;
    // Scratch of one chunk, sized when opened: the sounding voices in mix order with their
    // channel's controls, one output row per voice, and a channel's input and output.
    std::vector<FmVoice*> group_;
    std::vector<const VoiceControls*> groupControls_;
    std::vector<int32_t*> groupOutputs_;
    std::unique_ptr<bool[]> groupAlive_;
    std::vector<int32_t> voiceOut_;
    uint32_t groupSize_ = 0;
    std::array<int32_t, chunkFrames> sumLeft_{};
    std::array<int32_t, chunkFrames> sumRight_{};
};

}  // namespace quorva
