#include "synth/tone_bank.h"

#include "base/file_reader.h"

namespace quorva {

bool ToneBank::loadToneFile(std::string_view path)
{
    const auto bytes = readWholeFile(path);
    if (!bytes || bytes->size() > maxFileBytes) {
        return false;
    }
    return loadToneText(*bytes);
}

void ToneBank::clearBank()
{
    for (auto& list : toneMap_) {
        list.clear();
    }
    for (auto& set : drumSets_) {
        set.reset();
    }
    for (auto& list : tones_) {
        list.clear();
    }
    byNumber_.fill(nullptr);
    unfindable_.reset();
}

Tone* ToneBank::findMutableTone(int32_t number) const
{
    return byNumber_[static_cast<uint32_t>(number) & 0xFF];
}

const Tone* ToneBank::findTone(int32_t number) const { return findMutableTone(number); }

const Tone* ToneBank::toneForProgram(int program, int bankMsb, int bankLsb) const
{
    if (program < 0 || program > 127) {
        return nullptr;
    }
    const auto& list = toneMap_[program];
    for (auto entry = list.rbegin(); entry != list.rend(); ++entry) {
        if (entry->bankMsb == bankMsb && entry->bankLsb == bankLsb) {
            return entry->tone;
        }
    }
    for (auto entry = list.rbegin(); entry != list.rend(); ++entry) {
        if (entry->bankMsb == 0 && entry->bankLsb == 0) {
            return entry->tone;
        }
    }
    return nullptr;
}

const DrumSet* ToneBank::drumSetForProgram(int program) const
{
    if (program >= 0 && program <= 127 && drumSets_[program]) {
        return drumSets_[program].get();
    }
    return drumSets_[0].get();
}

Tone& ToneBank::defineTone(int32_t number)
{
    const uint32_t low = static_cast<uint32_t>(number) & 0xFF;
    // A number defined again keeps its record, so references to it never dangle.
    if (Tone* existing = findMutableTone(number)) {
        existing->number = number;
        initTone(*existing);
        if (static_cast<uint32_t>(number) != low) {
            byNumber_[low] = nullptr;  // it now carries a number nothing can find
        }
        return *existing;
    }
    if (static_cast<uint32_t>(number) != low) {
        if (!unfindable_) {
            unfindable_ = std::make_unique<Tone>();
        }
        unfindable_->number = number;
        initTone(*unfindable_);
        return *unfindable_;
    }
    auto tone = std::make_unique<Tone>();
    tone->number = number;
    initTone(*tone);
    auto& list = tones_[low & 0x7F];
    list.push_back(std::move(tone));
    byNumber_[low] = list.back().get();
    return *list.back();
}

ToneMapEntry& ToneBank::addToneMapEntry(int program, uint8_t bankMsb, uint8_t bankLsb)
{
    auto& list = toneMap_[program & 0x7F];
    list.push_back(ToneMapEntry{bankMsb, bankLsb, nullptr});
    return list.back();
}

DrumSet& ToneBank::defineDrumSet(int number)
{
    auto& slot = drumSets_[number & 0x7F];
    if (!slot) {
        slot = std::make_unique<DrumSet>();
    }
    slot->reset();
    return *slot;
}

void ToneBank::compileAll()
{
    for (auto& list : tones_) {
        for (auto& tone : list) {
            compileTone(*tone);
        }
    }
    if (unfindable_) {
        compileTone(*unfindable_);
    }
}

std::size_t ToneBank::toneCount() const
{
    std::size_t count = 0;
    for (const auto& list : tones_) {
        count += list.size();
    }
    return count;
}

}  // namespace quorva
