#pragma once
// The time axis of the flow views: where the beat and measure lines and the coming notes lie
// above the keyboard line, for the position the frame copied from the player.
#include "gfx/surface.h"
#include "song/midi_event.h"
#include "song/song_event.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace quorva {

// The lanes run 288 pixels up from the keyboard line (row 352 of the screen) to the body's top.
inline constexpr int32_t flowLaneHeight = 288;
inline constexpr int32_t keyboardLine = 352;

// Pixels per tick for the smoothed flow scale (pixels per quarter note); 0 without a song.
double pixelsPerTick(float flowScale, uint32_t division);

// The meter state a frame starts from, as the main screen copied it.
struct GridStart {
    uint32_t position = 0;  // ticks, truncated
    uint32_t meterTick = 0;  // tick of the meter in force
    uint8_t numerator = 4;
    uint8_t denominatorPower = 2;
    const TimeSignatureEvent* nextChange = nullptr;  // the changes still to come, in time order
    uint32_t division = 0;
    double pixelsPerTick = 0;
};

enum class GridKind { Beats, Measures };

// Calls line(y) for every beat or measure line, nearest first, y the pixels above the
// keyboard line (0..287). Meter changes on the way are taken as the lines reach them. A beat
// or measure shorter than one tick (a malformed meter) ends the lines there.
template <typename LineVisitor>
void forEachGridLine(const GridStart& start, GridKind kind, LineVisitor&& line);

// The beat lines, then the measure lines over them, from x left to right.
void drawGrid(Surface& surface, const GridStart& start, int32_t left, int32_t right, Pixel beatColour,
              Pixel measureColour);

// Calls note(channel, note, y) for every note on from the cursor on whose tick lies within
// the lanes (y, truncated, 0..288 pixels above the keyboard line). The walk stops at the first
// event beyond the lanes, so it reads only what can be drawn.
template <typename NoteVisitor>
void forEachComingNote(std::span<const SongEvent> events, size_t cursor, uint32_t position, double ticksToPixels,
                       NoteVisitor&& note)
{
    for (size_t i = cursor; i < events.size(); ++i) {
        const SongEvent event = events[i];
        const double y = static_cast<double>(static_cast<int64_t>(event.tick) - position) * ticksToPixels;
        if (y > flowLaneHeight) {
            return;
        }
        if (event.isNoteOn()) {
            note(static_cast<int32_t>(event.channelNumber()), static_cast<int32_t>(event.key()), static_cast<int32_t>(y));
        }
    }
}

namespace detail {

// Lines closer than one pixel fill every row anyway; past this many the pass stops, so a
// malformed meter with a tiny beat cannot hold up a frame.
inline constexpr int32_t maxGridSteps = 1 << 16;

double gridLength(GridKind kind, uint32_t division, uint8_t numerator, uint8_t denominatorPower);

}  // namespace detail

template <typename LineVisitor>
void forEachGridLine(const GridStart& start, GridKind kind, LineVisitor&& line)
{
    if (start.division == 0 || !(start.pixelsPerTick > 0)) {
        return;
    }
    uint8_t numerator = start.numerator;
    uint8_t power = start.denominatorPower;
    double length = detail::gridLength(kind, start.division, numerator, power);
    if (!(length >= 1.0)) {
        return;
    }
    const int64_t whole = static_cast<int64_t>(length);
    const int64_t since = static_cast<int64_t>(start.position) - start.meterTick;
    const int64_t into = ((since % whole) + whole) % whole;
    double ahead = length - static_cast<double>(into);
    const TimeSignatureEvent* change = start.nextChange;
    int32_t lastY = -1;
    for (int32_t step = 0; step < detail::maxGridSteps; ++step) {
        // Changes nearer than the line move the line to themselves and set the new meter;
        // changes at one tick are taken together.
        while (change != nullptr && static_cast<double>(static_cast<int64_t>(change->tick) - start.position) <= ahead) {
            ahead = static_cast<double>(static_cast<int64_t>(change->tick) - start.position);
            numerator = change->numerator;
            power = change->denominatorPower;
            length = detail::gridLength(kind, start.division, numerator, power);
            change = change->next;
            if (!(length >= 1.0)) {
                return;
            }
        }
        const double pixels = ahead * start.pixelsPerTick;
        if (pixels >= flowLaneHeight) {
            return;
        }
        const auto y = static_cast<int32_t>(pixels);
        if (pixels >= 0 && y != lastY) {
            line(y);
            lastY = y;
        }
        ahead += length;
    }
}

}  // namespace quorva
