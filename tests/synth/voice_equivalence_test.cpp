// The block renderer and the per-sample renderer against the plain reference, on a corpus of
// random tones (ordered and unordered levels, splits, feedback, LFO) and note sequences.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "reference_voice.h"
#include "block_voice.h"
#include "synth/fm_voice.h"
#include "synth/tone_record.h"

namespace quorva {
namespace {

class ToneMaker {
public:
    explicit ToneMaker(uint32_t seed) : random_(seed) {}

    // Tones of six operators, each modulated by all six (feedback included).
    void makeDense(bool dense) { dense_ = dense; }

    Tone make()
    {
        Tone tone;
        initTone(tone);
        tone.operatorCount = static_cast<uint8_t>(dense_ ? toneOperatorCount : 1 + pick(6));
        tone.carrierMask = static_cast<uint8_t>(1 + pick(63));
        tone.outputSmoothing = chance(2) ? 16.0 : 16.0 * unit();
        tone.oneShot = 0;
        tone.lfoDelay = static_cast<int32_t>(pick(3000));
        tone.lfoFadeStep = static_cast<int32_t>(pick(20000));
        tone.lfoStep = static_cast<uint32_t>(random_());
        tone.lfoDepth = level();
        tone.ampModDepth = level();
        tone.pitchModDepth = chance(4) ? static_cast<int32_t>(random_()) : level();
        for (auto& op : tone.operators) {
            fillOperator(op);
        }
        if (chance(4)) {
            allocateSplits(tone, static_cast<int32_t>(1 + pick(6)));
            for (auto& split : tone.splits) {
                split.key = static_cast<uint8_t>(pick(128));
                for (auto& block : split.operators) {
                    ToneOperator values;
                    fillOperator(values);
                    for (int v = 0; v < toneValueCount; ++v) {
                        block.value(static_cast<ToneValue>(v)) = values.value(static_cast<ToneValue>(v));
                    }
                }
            }
        }
        if (!chance(5)) {
            compileTone(tone);
        } else {
            for (std::size_t j = 0; j + 1 < tone.splits.size(); ++j) {  // slopes, levels left unordered
                for (auto& block : tone.splits[j].operators) {
                    for (auto& slope : block.slopes) {
                        slope = static_cast<int32_t>(random_()) >> pick(24);
                    }
                }
            }
        }
        return tone;
    }

    uint32_t pick(uint32_t n) { return random_() % n; }
    bool chance(uint32_t n) { return pick(n) == 0; }
    double unit() { return (random_() % 1000001) / 1000000.0; }
    int32_t level() { return static_cast<int32_t>(unit() * 1.2 * 1073741824.0); }

private:
    int32_t rate()
    {
        switch (pick(8)) {
        case 0: return 1 << 30;
        case 1: return 0;
        case 2: return static_cast<int32_t>(random_());  // anything, wrapping levels included
        default: return static_cast<int32_t>(1073741824.0 / ((0.0005 + unit() * 0.3) * 44100.0));
        }
    }

    void fillOperator(ToneOperator& op)
    {
        op.modulatorMask = static_cast<uint8_t>(dense_ ? 63 : chance(2) ? pick(64) : 0);
        op.multiple = static_cast<int32_t>((0.5 + 4 * unit()) * 1048576.0);
        op.detune = static_cast<int32_t>((unit() - 0.5) * 1073741824.0);
        op.initialPhase = static_cast<int32_t>(random_());
        op.modIndex = static_cast<int32_t>(unit() * 4 * 16777216.0);
        op.outputGain = chance(3) ? static_cast<int32_t>(unit() * 16777216.0) : 0;
        op.delay = chance(2) ? 0 : static_cast<int32_t>(pick(1500)) - 10;
        op.attack1Rate = rate();
        op.attack2Rate = rate();
        op.decay1Rate = rate();
        op.decay2Rate = rate();
        op.decay3Rate = rate();
        op.releaseRate = rate();
        op.finalRate = rate();
        op.baseLevel = chance(2) ? 0 : level() / 8;
        op.attack1Level = level();
        op.peakLevel = level();
        op.decay1Level = level();
        op.decay2Level = level();
        op.releaseLevel = level() / 4;
    }

    std::mt19937 random_;
    bool dense_ = false;
};

struct Change {
    int at;
    VoiceControls controls;
    bool release;
};

TEST(VoiceEquivalence, BlockAndSampleRenderersMatchTheReference)
{
    ToneMaker maker(20261207);
    std::vector<int32_t> block(4096);
    int endedVoices = 0;
    for (int round = 0; round < 250; ++round) {
        const Tone tone = maker.make();
        VoiceControls controls;
        controls.coarseTune = static_cast<int32_t>(maker.pick(128));
        controls.fineTune = static_cast<int32_t>(maker.pick(128));
        controls.rhythm = maker.chance(4);
        controls.bend = static_cast<int32_t>(maker.pick(2048)) - 1024;
        const uint32_t note = maker.pick(128);
        const uint32_t velocity = 1 + maker.pick(127);
        const int length = 4000 + static_cast<int>(maker.pick(16000));

        std::vector<Change> changes;
        for (int at = static_cast<int>(maker.pick(600)); at < length; at += 1 + static_cast<int>(maker.pick(3000))) {
            Change change{at, controls, maker.chance(3)};
            change.controls.bend = static_cast<int32_t>(maker.pick(30000)) - 15000;
            change.controls.modulation = maker.chance(2) ? 0 : static_cast<int32_t>(maker.pick(128));
            changes.push_back(change);
        }

        testing::ReferenceVoice reference;
        reference.start(tone, static_cast<int>(note), static_cast<int>(velocity), controls);
        FmVoice perSample{};
        initVoice(perSample, nullptr, controls, note, note, velocity, 64, tone);
        FmVoice blocked = perSample;

        VoiceControls now = controls;
        std::size_t next = 0;
        int t = 0;
        bool alive = true;
        while (alive && t < length) {
            while (next < changes.size() && changes[next].at == t) {
                now = changes[next].controls;
                if (changes[next].release) {
                    reference.release();
                    releaseOperators(perSample);
                    releaseOperators(blocked);
                }
                ++next;
            }
            const int until = next < changes.size() ? changes[next].at : length;
            const int count = std::min<int>(until - t, 1 + static_cast<int>(maker.pick(static_cast<uint32_t>(block.size()))));
            const bool blockAlive = testing::renderVoiceBlock(blocked, now, block.data(), count);
            for (int i = 0; i < count; ++i) {
                const bool referenceAlive = reference.sample(now);
                const bool sampleAlive = renderVoice(perSample, now);
                ASSERT_EQ(referenceAlive, sampleAlive) << "round " << round << " sample " << t + i;
                ASSERT_EQ(reference.output(), perSample.output) << "round " << round << " sample " << t + i;
                ASSERT_EQ(reference.output(), block[i]) << "round " << round << " sample " << t + i;
                if (!referenceAlive) {
                    ASSERT_FALSE(blockAlive);
                    for (int rest = i + 1; rest < count; ++rest) {
                        ASSERT_EQ(block[rest], 0);
                    }
                    alive = false;
                    ++endedVoices;
                    break;
                }
            }
            if (alive) {
                ASSERT_TRUE(blockAlive) << "round " << round;
            }
            t += count;
        }
    }
    EXPECT_GT(endedVoices, 30);  // the corpus reaches the end of many voices
}

}  // namespace
}  // namespace quorva

namespace quorva {
namespace {

class VoiceGroupEquivalence : public ::testing::TestWithParam<VoiceKernel> {};

TEST_P(VoiceGroupEquivalence, GroupRendererMatchesTheReference)
{
    ToneMaker maker(777);
    // Full groups of sixteen, partial ones of one and of two vectors, a lone voice.
    constexpr int voiceCounts[] = {37, 16, 13, 24, 8, 64, 1, 40, 37, 21};
    for (int round = 0; round < 10; ++round) {
        const int voiceCount = voiceCounts[round];
        // In rounds 1, 4 and 7 the voices have the full modulation matrix, which the group
        // renderer sums without masks; the last voice of round 7 does not, so its group of
        // eight mixes the two. In rounds 2 and 8 the voices play chords: three tones, every
        // voice under the same controls, so that voices of one tone share their LFO values.
        const bool chords = round == 2 || round == 8;
        std::vector<Tone> tones;
        std::vector<testing::ReferenceVoice> references(voiceCount);
        std::vector<FmVoice> voices(voiceCount);
        std::vector<VoiceControls> controls(voiceCount);
        for (int v = 0; v < voiceCount; ++v) {
            maker.makeDense(round % 3 == 1 && !(round == 7 && v == voiceCount - 1));
            tones.push_back(chords && v >= 3 ? Tone(tones[static_cast<std::size_t>(v % 3)]) : maker.make());
        }
        maker.makeDense(false);
        for (int v = 0; v < voiceCount; ++v) {
            controls[v].modulation = static_cast<int32_t>(maker.pick(128));
            controls[v].bend = static_cast<int32_t>(maker.pick(4000)) - 2000;
            if (chords && v > 0) {
                controls[v] = controls[0];
            }
            const uint32_t note = maker.pick(128);
            const uint32_t velocity = 1 + maker.pick(127);
            references[v].start(tones[v], static_cast<int>(note), static_cast<int>(velocity), controls[v]);
            initVoice(voices[v], nullptr, controls[v], note, note, velocity, 64, tones[v]);
        }
        std::vector<std::vector<int32_t>> buffers(voiceCount, std::vector<int32_t>(3000));
        std::vector<FmVoice*> pointers;
        std::vector<const VoiceControls*> controlPointers;
        std::vector<int32_t*> outs;
        std::vector<bool> referenceAlive(voiceCount, true);
        for (int t = 0; t < 20000;) {
            pointers.clear();
            controlPointers.clear();
            outs.clear();
            std::vector<int> which;
            for (int v = 0; v < voiceCount; ++v) {
                if (referenceAlive[v]) {
                    pointers.push_back(&voices[v]);
                    controlPointers.push_back(&controls[v]);
                    outs.push_back(buffers[v].data());
                    which.push_back(v);
                }
            }
            if (which.empty()) {
                break;
            }
            const int count = 1 + static_cast<int>(maker.pick(3000));
            std::vector<char> aliveFlags(which.size(), 0);
            bool* alive = reinterpret_cast<bool*>(aliveFlags.data());
            renderVoiceGroup(pointers.data(), controlPointers.data(), outs.data(), alive, static_cast<int>(which.size()), count,
                             GetParam());
            for (std::size_t k = 0; k < which.size(); ++k) {
                const int v = which[k];
                bool living = true;
                for (int i = 0; i < count; ++i) {
                    if (!living) {
                        ASSERT_EQ(buffers[v][i], 0);
                        continue;
                    }
                    living = references[v].sample(controls[v]);
                    ASSERT_EQ(references[v].output(), buffers[v][i]) << "round " << round << " voice " << v << " sample " << t + i;
                }
                ASSERT_EQ(living, alive[k]) << "round " << round << " voice " << v;
                referenceAlive[v] = living;
            }
            // Events between blocks: controls change and some voices are released.
            for (int v = 0; v < voiceCount; ++v) {
                controls[v].modulation = maker.chance(2) ? 0 : static_cast<int32_t>(maker.pick(128));
                controls[v].bend = static_cast<int32_t>(maker.pick(30000)) - 15000;
                if (chords && v > 0) {
                    controls[v] = controls[0];
                }
                if (maker.chance(4)) {
                    references[v].release();
                    releaseOperators(voices[v]);
                }
            }
            t += count;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, VoiceGroupEquivalence, ::testing::Values(VoiceKernel::Best, VoiceKernel::Portable));

}  // namespace
}  // namespace quorva
