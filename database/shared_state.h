#pragma once

#include <cstdint>
#include <string>

#include "database/field_record.h"

namespace morvel {

// The values through which the windows hand work to one another. The app owns
// one of these for the whole run and passes it to every window.
struct SharedState {
    std::string filename;  // selected database, as listed (no folder part)
    std::string band;      // band part of filename
    std::string homeloc;   // operator's locator from filename
    std::string mapfile;   // copy of the selected name, shown after "File: "
    std::int16_t recordno = 0;
    int slotno = 0;
    std::string fieldname;     // two letters of the current field
    float fieldwest = 0;       // western edge, whole degrees east of Greenwich (0..340)
    float fieldsouth = 0;      // southern edge, whole degrees of latitude (-90..80)
    std::int16_t mapview = 0;  // 1 World, 2 Europe, 3 North America
    FieldRecord fieldrec{};
    float odxkm = 0;
    std::string odxcall;
    std::string odxloc;
    // The square editor's pointer state.
    std::int16_t hoverslot = 0;
    std::int16_t editlock = 0;
};

}  // namespace morvel
