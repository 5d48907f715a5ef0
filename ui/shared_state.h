#pragma once

#include <QString>
#include <cstdint>
#include <memory>

namespace morvel {

namespace live {
class LiveSession;
}

// What one window hands on to the next: the selected database, the map view
// and the field the field map picked. The app owns one of these for the whole
// run and passes it to every window.
struct SharedState {
    QString databasePath;      // absolute; empty while none is selected
    QString fieldname;         // two letters of the field the field map picked
    float fieldwest = 0;       // its western edge, whole degrees east of Greenwich (0..340)
    float fieldsouth = 0;      // its southern edge, whole degrees of latitude (-90..80)
    std::int16_t mapview = 0;  // 1 World, 2 Europe, 3 North America
    // Listening for contacts, started on the main menu; it outlives the
    // window, which is unloaded while the maps are open.
    std::shared_ptr<live::LiveSession> live;
};

}  // namespace morvel
