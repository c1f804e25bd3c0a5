// One change to what the virtual instrument holds, as it is checked, written to the journal
// and applied.
#pragma once

#include "wire.h"

#include <QByteArray>

namespace sorvik::instrument
{

struct StateChange {
    enum class Kind { AddClass, AddPupil, AddRecord, Format };

    Kind kind = Kind::Format;
    // AddClass: the index the new class gets; AddPupil and AddRecord: the class changed.
    int classIndex = -1;
    int announcedPupils = 0; // AddClass
    QByteArray name;         // AddClass: class name; AddPupil: pupil name (GBK)
    QByteArray number;       // AddPupil (GBK)
    wire::Record record;     // AddRecord
};

} // namespace sorvik::instrument
