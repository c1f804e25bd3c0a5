#pragma once

#include <QString>

// The offer made at start-up when no database is configured at all (a fresh installation):
// a new empty station database at $XDG_DATA_HOME/sorvik/school.mdb, or the one already there,
// saved as the configured database for this and later starts. Declining changes nothing.
class FirstRunDatabase
{
public:
    static QString defaultPath();

    // Asks through the message service. On Yes makes the database when it does not exist yet
    // and saves the setting; answers the path to open. Empty when declined or when the
    // database could not be made (the user has been told).
    static QString offer();
};
