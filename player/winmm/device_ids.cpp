#include "player/winmm/device_ids.h"

namespace winmm {

unsigned DeviceIds::Shown(unsigned systemId, unsigned served, const SystemHas& systemHas)
{
    for (const auto& pair : shown_)
        if (pair.second == systemId)
            return pair.first;
    // Kept as it is unless the served device or another shown one holds it.
    if (systemId == 0 || (systemId != served && shown_.count(systemId) == 0))
        return systemId;
    unsigned id = 1;
    while (id == served || shown_.count(id) > 0 || systemHas(id))
        ++id;
    shown_[id] = systemId;
    return id;
}

unsigned DeviceIds::ToSystem(unsigned programId) const
{
    auto found = shown_.find(programId);
    return found == shown_.end() ? programId : found->second;
}

}  // namespace winmm
