// The device IDs a program sees for the system's MCI devices. The system's
// MCI numbers its devices from 1 without knowing the served device, so it may
// give a device the ID the served one holds. Such a device is shown to the
// program under another ID, one that neither the system nor the served device
// uses, and every ID the program gives is turned back into the system's.
// (MM_MCINOTIFY from such a device still carries the system's ID.)
// Platform-free, so the host tests check it too.
#ifndef INTRO_PLAYER_WINMM_DEVICE_IDS_H
#define INTRO_PLAYER_WINMM_DEVICE_IDS_H

#include <functional>
#include <map>

namespace winmm {

class DeviceIds {
public:
    // Whether the system's MCI has given an ID to a device of its own.
    using SystemHas = std::function<bool(unsigned)>;

    // The ID to show the program for the system's device `systemId`, while
    // the served device holds `served` (0: none).
    unsigned Shown(unsigned systemId, unsigned served, const SystemHas& systemHas);
    // The system's ID for one the program gives.
    unsigned ToSystem(unsigned programId) const;
    // Whether the program sees a system device under this ID.
    bool Shows(unsigned programId) const { return shown_.count(programId) > 0; }
    // The program closed the device it knows as `programId`.
    void Closed(unsigned programId) { shown_.erase(programId); }

private:
    std::map<unsigned, unsigned> shown_;  // program's ID -> system's, where they differ
};

}  // namespace winmm

#endif
