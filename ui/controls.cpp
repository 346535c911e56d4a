#include "ui/controls.h"

#include "ui/main_screen.h"

namespace quorva {

void MuteLevelKnob::update() { updateShared(); }
void MuteLevelKnob::draw() { drawShared(""); }
void SpeedKnob::update() { updateShared(); }
void SpeedKnob::draw() { drawShared(labels[index()]); }
void TransposeKnob::update() { updateShared(); }
void TransposeKnob::draw() { drawShared(semitoneLabels[index()]); }
void ViewShiftKnob::update() { updateShared(); }
void ViewShiftKnob::draw() { drawShared(semitoneLabels[index()]); }
void FlowScaleKnob::update() { updateShared(); }
void FlowScaleKnob::draw() { drawShared(labels[index()]); }

void Controls::buildTabsAndKnobs(MainScreen& screen) {}
void Controls::buildTransport(MainScreen& screen) {}
void Controls::setMuteKnob(uint8_t settingsIndex) { muteLevel.setIndex(settingsIndex * 2); }

}  // namespace quorva
