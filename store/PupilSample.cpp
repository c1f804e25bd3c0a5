#include "PupilSample.h"

#include "CDB.h"
#include "Database.h"
#include "SqlConnection.h"
#include "StoreError.h"

#include <QHash>

namespace store
{

QList<PupilSample> samplePupils(const CDB& db, bool byCard, int limit)
{
    const QString byStudentNumber = QStringLiteral(
        "SELECT p.StuNo, o.Object_ID FROM "
        "(SELECT STU_ID, StuNo FROM STU_Main WHERE StuNo IS NOT NULL AND StuNo <> '' "
        "ORDER BY random() LIMIT ?) p "
        "LEFT JOIN STU_ObjectData o ON o.STU_ID = p.STU_ID ORDER BY p.STU_ID");
    const QString byCardNumber = QStringLiteral(
        "SELECT p.CardNO, o.Object_ID FROM "
        "(SELECT c.StuID, c.CardNO FROM Stu_card c JOIN STU_Main m ON m.STU_ID = c.StuID "
        "WHERE c.CardNO IS NOT NULL AND c.CardNO <> '' ORDER BY random() LIMIT ?) p "
        "LEFT JOIN STU_ObjectData o ON o.STU_ID = p.StuID ORDER BY p.StuID");
    QList<PupilSample> out;
    if (!db.isOpen() || limit <= 0)
        return out;
    try {
        const ResultTable rows =
            db.database()->connection().query(byCard ? byCardNumber : byStudentNumber, {limit});
        QHash<QString, qsizetype> at;
        for (int r = 0; r < rows.rowCount(); ++r) {
            const QString identifier = rows.at(r, 0).toString();
            auto it = at.find(identifier);
            if (it == at.end()) {
                it = at.insert(identifier, out.size());
                out.append({identifier, {}});
            }
            if (!rows.at(r, 1).isNull())
                out[*it].items.append(rows.at(r, 1).toInt());
        }
    } catch (const StoreError& e) {
        ShowComError(QStringLiteral("store::samplePupils"), e);
        out.clear();
    }
    return out;
}

QList<int> dictionaryItems(const CDB& db)
{
    QList<int> out;
    if (!db.isOpen())
        return out;
    try {
        const ResultTable rows = db.database()->connection().query(
            QStringLiteral("SELECT DISTINCT code FROM Code03Dict WHERE code IS NOT NULL "
                           "ORDER BY code"));
        for (int r = 0; r < rows.rowCount(); ++r)
            out.append(rows.at(r, 0).toInt());
    } catch (const StoreError& e) {
        ShowComError(QStringLiteral("store::dictionaryItems"), e);
    }
    return out;
}

} // namespace store
