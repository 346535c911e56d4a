// The per-sample mix of the FM synthesizer: voices rendered side by side, then each
// channel's pan, gain and filter, then the sum of the channels.
#include "synth/fm_synth.h"

#include <algorithm>

namespace quorva {

// One sample exactly in the order of the rules, voice by voice; mixBlock must give the same
// samples (the tests hold the two against each other).
void FmSynth::mixSample(int32_t& left, int32_t& right)
{
    left = 0;
    right = 0;
    for (uint32_t c = channelCount; c-- > 0;) {
        SynthChannel& channel = channels_[c];
        const int32_t g = static_cast<int32_t>(channel.gain());
        channel.controls.bend = channel.currentBend();
        const int32_t p = std::clamp<int32_t>(channel.pan, 0, 127);
        int32_t sumLeft = 0;
        int32_t sumRight = 0;
        for (FmVoice* voice = channel.voices.front(); voice;) {
            FmVoice* next = ChannelVoiceList::next(*voice);
            if (sustainReleaseDue(*voice, channel.controls)) {
                releaseVoice(*voice);
            }
            const bool alive = renderVoice(*voice, channel.controls);
            if (channel.controls.rhythm) {
                const uint32_t vp = std::min<uint32_t>(voice->pan, 127);
                const int32_t y = voice->output >> 6;
                sumLeft = wrapAdd(sumLeft, wrapMul(panTable_[vp][p], y));
                sumRight = wrapAdd(sumRight, wrapMul(panTable_[127 - vp][127 - p], y));
            } else {
                sumLeft = wrapAdd(sumLeft, voice->output);
            }
            if (!alive) {
                killVoice(*voice);
            }
            voice = next;
        }
        if (channel.controls.rhythm) {
            channel.filter(wrapMul(sumLeft >> 4, g) >> 3, wrapMul(sumRight >> 4, g) >> 3);
        } else {
            const int32_t t = wrapMul(sumLeft >> 6, g) >> 7;
            channel.filter(wrapMul(panTable_[64][p], t), wrapMul(panTable_[64][127 - p], t));
        }
        left = wrapAdd(left, channel.outLeft);
        right = wrapAdd(right, channel.outRight);
    }
}

void FmSynth::mixBlock(MixFrame* frames, uint32_t count)
{
    for (uint32_t done = 0; done < count;) {
        const uint32_t chunk = std::min(chunkFrames, count - done);
        mixChunk(frames + done, chunk);
        done += chunk;
    }
}

// Channels are mixed 15 down to 0. With no message inside a chunk each channel's state is
// constant and a voice depends only on its own channel, so all voices can be rendered side by
// side for the whole chunk and then mixed channel by channel: the samples are those of
// mixing one sample at a time (a sustained voice can only be released at the chunk's first
// sample, and it is, in the same order).
void FmSynth::mixChunk(MixFrame* frames, uint32_t count)
{
    groupSize_ = 0;
    for (uint32_t c = channelCount; c-- > 0;) {
        gatherVoices(channels_[c]);
    }
    if (groupSize_ > 0) {
        renderVoiceGroup(group_.data(), groupControls_.data(), groupOutputs_.data(), groupAlive_.get(),
                         static_cast<int>(groupSize_), static_cast<int>(count));
    }
    std::fill_n(frames, count, MixFrame{});
    groupSize_ = 0;
    for (uint32_t c = channelCount; c-- > 0;) {
        SynthChannel& channel = channels_[c];
        mixChannel(channel, count);
        for (uint32_t i = 0; i < count; ++i) {
            frames[i].left = wrapAdd(frames[i].left, sumLeft_[i]);
            frames[i].right = wrapAdd(frames[i].right, sumRight_[i]);
        }
    }
}

// Releases the channel's voices whose pedal came up and queues them for rendering.
void FmSynth::gatherVoices(SynthChannel& channel)
{
    channel.controls.bend = channel.currentBend();
    for (FmVoice* voice = channel.voices.front(); voice; voice = ChannelVoiceList::next(*voice)) {
        if (sustainReleaseDue(*voice, channel.controls)) {
            releaseVoice(*voice);
        }
        group_[groupSize_] = voice;
        groupControls_[groupSize_] = &channel.controls;
        ++groupSize_;
    }
}

// Mixes the channel's rendered voices (next in the group, in list order) for count samples,
// kills those that ended, and leaves the filtered output in sumLeft_ and sumRight_.
void FmSynth::mixChannel(SynthChannel& channel, uint32_t count)
{
    if (channel.voices.empty() && channel.outLeft == 0 && channel.outRight == 0 && channel.velocityLeft == 0 &&
        channel.velocityRight == 0) {
        // Silence through any filter at rest stays silence.
        std::fill_n(sumLeft_.begin(), count, 0);
        std::fill_n(sumRight_.begin(), count, 0);
        return;
    }
    const int32_t g = static_cast<int32_t>(channel.gain());
    const bool rhythm = channel.controls.rhythm;
    std::fill_n(sumLeft_.begin(), count, 0);
    std::fill_n(sumRight_.begin(), count, 0);
    // Pan positions outside 0..127 (from a malformed file or message) stand at the edge.
    const int32_t p = std::clamp<int32_t>(channel.pan, 0, 127);
    for (FmVoice* voice = channel.voices.front(); voice;) {
        FmVoice* next = ChannelVoiceList::next(*voice);
        const int32_t* out = groupOutputs_[groupSize_];
        const bool alive = groupAlive_[groupSize_];
        ++groupSize_;
        if (rhythm) {
            const uint32_t vp = std::min<uint32_t>(voice->pan, 127);
            const int32_t gainLeft = panTable_[vp][p];
            const int32_t gainRight = panTable_[127 - vp][127 - p];
            for (uint32_t i = 0; i < count; ++i) {
                const int32_t y = out[i] >> 6;
                sumLeft_[i] = wrapAdd(sumLeft_[i], wrapMul(gainLeft, y));
                sumRight_[i] = wrapAdd(sumRight_[i], wrapMul(gainRight, y));
            }
        } else {
            for (uint32_t i = 0; i < count; ++i) {
                sumLeft_[i] = wrapAdd(sumLeft_[i], out[i]);
            }
        }
        if (!alive) {
            killVoice(*voice);
        }
        voice = next;
    }
    if (rhythm) {
        for (uint32_t i = 0; i < count; ++i) {
            sumLeft_[i] = wrapMul(sumLeft_[i] >> 4, g) >> 3;
            sumRight_[i] = wrapMul(sumRight_[i] >> 4, g) >> 3;
        }
    } else {
        const int32_t gainLeft = panTable_[64][p];
        const int32_t gainRight = panTable_[64][127 - p];
        for (uint32_t i = 0; i < count; ++i) {
            const int32_t t = wrapMul(sumLeft_[i] >> 6, g) >> 7;
            sumLeft_[i] = wrapMul(gainLeft, t);
            sumRight_[i] = wrapMul(gainRight, t);
        }
    }
    channel.filterBlock(sumLeft_.data(), sumRight_.data(), count);
}

}  // namespace quorva
