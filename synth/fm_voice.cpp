#include "synth/fm_voice.h"

#include "synth/fm_voice_sample.h"

namespace quorva {
namespace {

// The nineteen values an operator starts from: the plain operator, or the key splits
// interpolated at the note.
struct OperatorValues {
    std::array<int32_t, toneValueCount> values{};
    int32_t operator[](ToneValue which) const { return values[static_cast<int>(which)]; }
};

OperatorValues valuesForNote(const Tone& tone, int op, int32_t note)
{
    OperatorValues chosen;
    const int splits = tone.splitCount < tone.splits.size() ? tone.splitCount : static_cast<int>(tone.splits.size());
    if (splits == 0) {
        for (int v = 0; v < toneValueCount; ++v) {
            chosen.values[v] = tone.operators[op].value(static_cast<ToneValue>(v));
        }
        return chosen;
    }
    int split = -1;
    int32_t distance = 0;
    if (note <= tone.splits[0].key) {
        split = 0;
    } else if (note >= tone.splits[splits - 1].key) {
        split = splits - 1;
    } else {
        for (int k = 0; k + 1 < splits; ++k) {
            if (tone.splits[k + 1].key >= note) {
                split = k;
                distance = note - tone.splits[k].key;
                break;
            }
        }
    }
    const ToneSplitOperator& block = tone.splits[split < 0 ? 0 : split].operators[op];
    for (int v = 0; v < toneValueCount; ++v) {
        const auto which = static_cast<ToneValue>(v);
        chosen.values[v] = wrapAdd(block.value(which), wrapMul(block.slope(which), distance));
    }
    return chosen;
}

void initOperator(FmVoice& voice, FmOperator& op, const Tone& tone, int index, int32_t note,
                  const VoiceControls& controls)
{
    const ToneOperator& plain = tone.operators[index];
    op = FmOperator{};
    op.index = static_cast<uint8_t>(index);
    op.carrier = (tone.carrierMask >> index) & 1;
    op.envelope.state = EnvelopeState::Delay;
    for (uint32_t j = 0; j < voice.operatorCount; ++j) {
        if ((plain.modulatorMask >> j) & 1) {
            op.modulators[op.modulatorCount++] = static_cast<uint8_t>(j);
        }
    }
    const OperatorValues v = valuesForNote(tone, index, note);
    const int32_t coarse = controls.rhythm ? 64 : controls.coarseTune;
    const int32_t fine = controls.rhythm ? 64 : controls.fineTune;
    op.increment = operatorIncrement(v[ToneValue::multiple], v[ToneValue::detune], note, coarse, fine);
    op.phase = static_cast<uint32_t>(v[ToneValue::initialPhase]);
    op.modIndex = v[ToneValue::modIndex];
    op.gain = static_cast<int32_t>((static_cast<uint32_t>(v[ToneValue::outputGain]) >> 14) + 1024u);
    op.envelope.delay = v[ToneValue::delay];
    op.envelope.attack1Rate = v[ToneValue::attack1Rate];
    op.envelope.attack2Rate = v[ToneValue::attack2Rate];
    op.envelope.decay1Rate = v[ToneValue::decay1Rate];
    op.envelope.decay2Rate = v[ToneValue::decay2Rate];
    op.envelope.decay3Rate = v[ToneValue::decay3Rate];
    op.envelope.releaseRate = v[ToneValue::releaseRate];
    op.envelope.finalRate = v[ToneValue::finalRate];
    op.envelope.baseLevel = v[ToneValue::baseLevel];
    op.envelope.attack1Level = v[ToneValue::attack1Level];
    op.envelope.peakLevel = v[ToneValue::peakLevel];
    op.envelope.decay1Level = v[ToneValue::decay1Level];
    op.envelope.decay2Level = v[ToneValue::decay2Level];
    op.envelope.releaseLevel = v[ToneValue::releaseLevel];
    op.envelope.level = op.envelope.baseLevel;
}

}  // namespace

void initVoice(FmVoice& voice, SynthChannel* channel, const VoiceControls& controls, uint32_t key, uint32_t note,
               uint32_t velocity, uint32_t pan, const Tone& tone)
{
    voice.channel = channel;
    voice.operatorCount = tone.operatorCount > toneOperatorCount ? toneOperatorCount : tone.operatorCount;
    voice.oneShot = tone.oneShot != 0;
    voice.key = key;
    voice.released = false;
    voice.sustained = false;
    voice.keyUp = false;
    voice.absorbNoteOff = false;
    voice.endedCarriers = 0;
    voice.pan = pan;
    voice.velocityGain = static_cast<int32_t>((velocity * velocity) >> 6);
    voice.output = 0;
    voice.pitchRatio = 1024;

    voice.lfo = FmLfo{};
    voice.lfo.delay = tone.lfoDelay;
    voice.lfo.fadeStep = tone.lfoFadeStep;
    voice.lfo.phaseStep = tone.lfoStep;
    voice.lfo.ampModDepth = tone.ampModDepth;
    voice.lfo.pitchModDepth = tone.pitchModDepth;
    voice.lfo.fadeMax = tone.lfoDepth >> 6;

    voice.smoothing = static_cast<int32_t>(tone.outputSmoothing);

    voice.carrierCount = 0;
    for (uint32_t i = 0; i < voice.operatorCount; ++i) {
        if ((tone.carrierMask >> i) & 1) {
            voice.carrierOutputs[voice.carrierCount++] = static_cast<uint8_t>(i);
        }
    }
    for (auto& op : voice.operators) {
        op = FmOperator{};
    }
    for (uint32_t i = 0; i < voice.operatorCount; ++i) {
        initOperator(voice, voice.operators[i], tone, static_cast<int>(i), static_cast<int32_t>(note), controls);
    }
}

void releaseOperators(FmVoice& voice)
{
    for (uint32_t i = 0; i < voice.operatorCount; ++i) {
        voice.operators[i].envelope.keyOff();
    }
}

bool renderVoice(FmVoice& voice, const VoiceControls& controls)
{
    const SineTable& sine = buildTables().sineTable;
    int32_t pitchRatio = 0;
    int32_t tremolo = 0;
    voice.lfo.step(controls.modulation, controls.bend, buildTables(), pitchRatio, tremolo);
    return exactSample(voice, pitchRatio, tremolo, sine);
}

int64_t voiceStepsToStateChange(const FmVoice& voice)
{
    if (voice.endedCarriers >= voice.carrierCount) {
        return 1;
    }
    int64_t next = neverChanges;
    for (uint32_t i = 0; i < voice.operatorCount; ++i) {
        const int64_t k = voice.operators[i].envelope.stepsToStateChange();
        next = k < next ? k : next;
    }
    return next;
}

}  // namespace quorva
