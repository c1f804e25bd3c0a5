#include "InstrumentQueries.h"

#include "Gbk.h"
#include "InstrumentExchange.h"
#include "ListView.h"
#include "MachineInterface.h"

std::optional<InstrumentCounts> InstrumentQueries::readCounts(MachineInterface& machine)
{
    const InstrumentExchange::Lease lease = InstrumentExchange::tryBegin();
    if (!lease)
        return std::nullopt;
    InstrumentCounts counts;
    machine.CMD0_Handshake();
    machine.CMD3_ReadClassStudnetCount(counts.classes, counts.pupils);
    machine.CMD10_Goodbye();
    return counts;
}

QString InstrumentQueries::countsText(const InstrumentCounts& counts)
{
    return QStringLiteral("仪器中存储的班级数量:%1,学生数量:%2")
        .arg(counts.classes)
        .arg(counts.pupils);
}

bool InstrumentQueries::listClasses(MachineInterface& machine, platform::ListView& list)
{
    const InstrumentExchange::Lease lease = InstrumentExchange::tryBegin();
    if (!lease)
        return false;
    machine.CMD0_Handshake();
    int classCount = 0;
    machine.CMD7_ReadClassStudnetCount2(classCount);
    for (int i = 0; i < classCount; ++i) {
        QByteArray name;
        int records = 0;
        if (machine.CMD4_ReadClassInfo(i, name, records) == 0)
            continue;
        const int at = list.insertRow(i, QString::number(i));
        list.setCell(at, 1, platform::fromGbk(name));
        list.setCell(at, 2, QString::number(records));
    }
    machine.CMD10_Goodbye();
    return true;
}
