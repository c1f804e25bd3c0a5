#pragma once

#include <QString>

// What the database menu decides, apart from its window: the imports and the card management
// need the database that the main window opened at start-up.
class DatabaseMenu
{
public:
    static QString title();

    // True while a database is open; otherwise tells the user (application's box) and false.
    static bool checkDatabase();
};
