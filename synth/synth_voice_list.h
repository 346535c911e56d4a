#pragma once
#include "synth/fm_voice.h"

namespace quorva {

// An intrusive doubly linked list of voices through one of the voice's three links; voices
// are appended at the tail and unlinked from anywhere without a search.
template <VoiceLink FmVoice::*Link>
class VoiceList {
public:
    FmVoice* front() const { return first_; }
    bool empty() const { return first_ == nullptr; }
    static FmVoice* next(const FmVoice& voice) { return (voice.*Link).next; }
    static bool contains(const FmVoice& voice) { return (voice.*Link).linked; }

    void append(FmVoice& voice)
    {
        VoiceLink& link = voice.*Link;
        link.previous = last_;
        link.next = nullptr;
        link.linked = true;
        if (last_) {
            (last_->*Link).next = &voice;
        } else {
            first_ = &voice;
        }
        last_ = &voice;
    }

    void remove(FmVoice& voice)
    {
        VoiceLink& link = voice.*Link;
        if (!link.linked) {
            return;
        }
        if (link.previous) {
            (link.previous->*Link).next = link.next;
        } else {
            first_ = link.next;
        }
        if (link.next) {
            (link.next->*Link).previous = link.previous;
        } else {
            last_ = link.previous;
        }
        link = VoiceLink{};
    }

    // Forgets every member without touching the voices (they are gone with the pool).
    void clear() { first_ = last_ = nullptr; }

private:
    FmVoice* first_ = nullptr;
    FmVoice* last_ = nullptr;
};

using AllVoiceList = VoiceList<&FmVoice::allLink>;
using ReleasedVoiceList = VoiceList<&FmVoice::releasedLink>;
using ChannelVoiceList = VoiceList<&FmVoice::channelLink>;

}  // namespace quorva
