#pragma once

#include "FirstRunDatabase.h"

#include <QString>

#include <functional>

// What the main window decides at start-up, apart from its window: open the configured
// database or let the user choose another file, and the title that follows from it.
class StationStartup
{
public:
    struct Outcome {
        bool dbOpen = false;
        bool closeRequested = false; // a new database file was saved: end so it is used next time
        QString title;
    };

    // The title before the database part: strings 102, 103, two blanks, 106.
    static QString baseTitle();

    // chooseDatabaseFile runs the database file selection and answers whether a file was saved.
    // offerNewDatabase runs only when no database is configured; the path it answers is opened
    // as if configured, an empty answer goes on to the file selection.
    // Opens theDB and sets bDBOpen; makes sure the card table exists when the database opened.
    Outcome run(const std::function<bool()>& chooseDatabaseFile,
                const std::function<QString()>& offerNewDatabase = &FirstRunDatabase::offer) const;
};
