#pragma once

#include <QString>

namespace platform
{

// The station's string table.
enum StringId {
    IDS_ABOUTBOX = 101,        // about box entry of the window menu
    IDS_TITLE = 102,           // first part of the title
    IDS_TITLE_YEAR = 103,      // second part of the title
    IDS_PROFILE_SECTION = 104, // profile section of the configuration
    IDS_PROFILE_DBFILE = 105,  // profile key of the database file name
    IDS_VERSION = 106,         // last part of the title
};

QString loadString(int id);

} // namespace platform
