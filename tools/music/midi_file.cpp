#include "tools/music/midi_file.h"

#include <algorithm>
#include <tuple>

namespace music {

void AppendVariableLength(std::vector<unsigned char>* bytes, uint32_t value)
{
    unsigned char groups[5];
    int n = 0;
    do {
        groups[n++] = value & 0x7F;
        value >>= 7;
    } while (value);
    while (n-- > 0)
        bytes->push_back((unsigned char)(groups[n] | (n ? 0x80 : 0)));
}

namespace {

// One event of the track. At the same tick, notes end before controllers
// change and before notes begin, so a repeated pitch is struck again.
struct Event {
    int tick;
    int order;
    std::vector<unsigned char> bytes;
};

void Put32(std::vector<unsigned char>* bytes, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes->push_back((unsigned char)(value >> shift));
}

std::vector<Event> Events(const Score& score)
{
    std::vector<Event> events;
    const uint32_t tempo = (uint32_t)score.microsecondsPerBeat;
    events.push_back({0, 0, {0xFF, 0x51, 0x03, (unsigned char)(tempo >> 16), (unsigned char)(tempo >> 8),
                             (unsigned char)tempo}});
    for (const Voice& voice : score.voices)
        events.push_back({0, 1, {(unsigned char)(0xC0 | voice.channel), (unsigned char)voice.program}});
    for (const Control& control : score.controls)
        events.push_back({control.tick, 2,
                          {(unsigned char)(0xB0 | control.channel), (unsigned char)control.controller,
                           (unsigned char)control.value}});
    for (const Note& note : score.notes) {
        events.push_back({note.start, 3,
                          {(unsigned char)(0x90 | note.channel), (unsigned char)note.pitch, (unsigned char)note.velocity}});
        events.push_back({note.start + note.length, 0,
                          {(unsigned char)(0x80 | note.channel), (unsigned char)note.pitch, 0}});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return std::tie(a.tick, a.order) < std::tie(b.tick, b.order);
    });
    return events;
}

}  // namespace

std::vector<unsigned char> MidiFile(const Score& score)
{
    std::vector<unsigned char> track;
    int now = 0;
    for (const Event& event : Events(score)) {
        AppendVariableLength(&track, (uint32_t)(event.tick - now));
        track.insert(track.end(), event.bytes.begin(), event.bytes.end());
        now = event.tick;
    }
    AppendVariableLength(&track, (uint32_t)std::max(0, score.endTick - now));
    track.insert(track.end(), {0xFF, 0x2F, 0x00});

    std::vector<unsigned char> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1,
                                       (unsigned char)(kTicksPerBeat >> 8), (unsigned char)kTicksPerBeat};
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    Put32(&file, (uint32_t)track.size());
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

}  // namespace music
