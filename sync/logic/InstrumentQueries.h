#pragma once

#include <QString>

#include <optional>

class MachineInterface;

namespace platform
{
class ListView;
}

struct InstrumentCounts {
    int classes = 0;
    int pupils = 0;
};

// The short exchanges of the transfer dialogs that run on the user-interface thread. Each holds
// the process-wide exchange while it talks to the instrument and refuses when another runs.
class InstrumentQueries
{
public:
    // Handshake (its result is not examined), the class and pupil counts, goodbye. Empty when
    // another exchange runs; nothing is said to the instrument then.
    static std::optional<InstrumentCounts> readCounts(MachineInterface& machine);
    // "仪器中存储的班级数量:%i,学生数量:%i"
    static QString countsText(const InstrumentCounts& counts);

    // Handshake (not examined), the class count, then each class the instrument has at an index
    // below it goes into list at that index (at the end when the list is shorter): index, name,
    // record count. The list is not emptied first. False when another exchange runs.
    static bool listClasses(MachineInterface& machine, platform::ListView& list);
};
