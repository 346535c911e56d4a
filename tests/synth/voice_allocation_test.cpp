// Rendering must not allocate: the program's global allocation functions are replaced in this
// test program by ones that count the calls of the current thread.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "block_voice.h"
#include "synth/fm_voice.h"
#include "synth/tone_record.h"

namespace {
thread_local std::size_t allocationCount = 0;
}

void* operator new(std::size_t size)
{
    ++allocationCount;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace quorva {
namespace {

TEST(VoiceAllocation, RenderingAllocatesNothing)
{
    Tone tone;
    initTone(tone);
    tone.operatorCount = 6;
    tone.carrierMask = 0x3F;
    for (auto& op : tone.operators) {
        setModulatorMask(op, 63);
        setToneValue(op, ToneValue::peakLevel, 1.0);
        setToneValue(op, ToneValue::decay3Rate, 0.05);
    }
    compileTone(tone);
    std::vector<FmVoice> voices(20);
    std::vector<int32_t> buffer(20 * 512);
    std::vector<FmVoice*> pointers;
    std::vector<int32_t*> outs;
    VoiceControls controls;
    std::vector<const VoiceControls*> controlPointers(voices.size(), &controls);
    for (std::size_t i = 0; i < voices.size(); ++i) {
        initVoice(voices[i], nullptr, controls, 60, 60, 100, 64, tone);
        pointers.push_back(&voices[i]);
        outs.push_back(buffer.data() + i * 512);
    }
    bool alive[20] = {};
    buildTables();
    renderVoiceGroup(pointers.data(), controlPointers.data(), outs.data(), alive, 20, 16);  // first-use set-up

    const std::size_t before = allocationCount;
    renderVoiceGroup(pointers.data(), controlPointers.data(), outs.data(), alive, 20, 512);
    renderVoiceGroup(pointers.data(), controlPointers.data(), outs.data(), alive, 20, 512, VoiceKernel::Portable);
    testing::renderVoiceBlock(voices[0], controls, buffer.data(), 512);
    renderVoice(voices[1], controls);
    releaseOperators(voices[2]);
    EXPECT_EQ(allocationCount, before);
}

}  // namespace
}  // namespace quorva
