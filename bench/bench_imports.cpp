// bench_imports DB: the student import of a 10,000-row workbook into a copy of DB (a database
// with 50,000 demo pupils), then the score import of a 10,000-row workbook for those pupils,
// each next to the stores alone (InsertStu, GetIDByStuNO + InsertValue) on the same rows in
// the same batches, measured in the same run; and both again through their windows (the real
// result list, the progress window of a long run). The workbooks are written by
// make_workbooks.py.

#include "Batch.h"
#include "CDB.h"
#include "CDlgImportStu.h"
#include "CDlgImportValue.h"
#include "CExcel.h"
#include "CStudent.h"
#include "CValue.h"
#include "DateFromText.h"
#include "ListView.h"
#include "RecordingMessageService.h"
#include "ScoreImport.h"
#include "StudentImport.h"
#include "TextRules.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kRounds = 3;

const QString kStudents = QStringLiteral(SORVIK_BENCH_WORKBOOKS_DIR "/bench_students.xls");
const QString kScores = QStringLiteral(SORVIK_BENCH_WORKBOOKS_DIR "/bench_scores.xls");

struct Pupil {
    QString name, groupName, sex, stuNo, address, area;
    long grade, group, nation;
    QDate birthday;
};

struct Score {
    QString stuNo;
    long item;
    double value;
};

QList<QStringList> readAll(const QString& path)
{
    CExcel excel;
    QList<QStringList> rows;
    QStringList row;
    if (excel.Open(path))
        while (excel.GetRec(row))
            rows << row;
    return rows;
}

double seconds(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e9;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A fresh copy of the demo database for one measurement.
QString copyOf(const QString& source, const QTemporaryDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    for (const QString& suffix : {QString(), u"-wal"_s, u"-shm"_s})
        QFile::remove(path + suffix);
    if (!QFile::copy(source, path))
        qFatal("cannot copy %s", qUtf8Printable(source));
    return path;
}

// One import through its window, as a teacher runs it: the path typed, "开始导入" clicked.
double throughWindow(WorkbookImportDialog& dlg, int pathId, const QString& path)
{
    dlg.show();
    dlg.findChild<QLineEdit*>(QStringLiteral("id%1").arg(pathId))->setText(path);
    QElapsedTimer t;
    t.start();
    dlg.findChild<QPushButton*>(QStringLiteral("id%1").arg(WorkbookImportDialog::IdStart))->click();
    return seconds(t);
}

void printLine(const char* what, int rows, double ours, double reference)
{
    std::printf("%-34s %6d rows %7.3f s %8.0f rows/s | stores alone %7.3f s %8.0f rows/s | "
                "ratio %.2f\n",
                what, rows, ours, rows / ours, reference, rows / reference, ours / reference);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_imports DEMO_DATABASE\n");
        return 2;
    }
    const QString demo = QString::fromLocal8Bit(argv[1]);
    platform::RecordingMessageService boxes;

    // The rows as the stores get them, converted before the clock starts.
    std::vector<Pupil> pupils;
    for (const QStringList& c : readAll(kStudents)) {
        QString sex = c.at(6) == u"1"_s ? u"男"_s : (c.at(6) == u"2"_s ? u"女"_s : c.at(6));
        pupils.push_back({c.at(5), c.at(2), sex, c.at(3), c.at(8), c.at(9),
                          platform::atolC(c.at(0)), platform::atolC(c.at(1)),
                          platform::atolC(c.at(4)), platform::dateFromText(c.at(7)).date});
    }
    std::vector<Score> scores;
    for (const QStringList& c : readAll(kScores))
        scores.push_back({c.at(0), platform::atolC(c.at(2)), platform::atofC(c.at(3))});
    if (pupils.size() != 10000 || scores.size() != 10000) {
        std::fprintf(stderr, "bench_imports: the workbooks do not hold 10,000 rows each\n");
        return 1;
    }

    // The reader process alone: what reading a workbook costs the station.
    std::vector<double> readStudents, readScores;
    for (int r = 0; r < kRounds; ++r) {
        QElapsedTimer t;
        t.start();
        readAll(kStudents);
        readStudents.push_back(seconds(t));
        t.restart();
        readAll(kScores);
        readScores.push_back(seconds(t));
    }

    QTemporaryDir dir;
    std::vector<double> importStu, aloneStu, importScore, aloneScore, windowStu, windowScore;
    int stored = 0, listed = 0;
    for (int r = 0; r < kRounds; ++r) {
        // Turns, so that a busy moment of the machine weighs on both alike.
        {
            CDB db;
            db.open(copyOf(demo, dir, u"import.mdb"_s));
            platform::MemoryListView list;
            QElapsedTimer t;
            t.start();
            StudentImport import(db, &list);
            import.run(kStudents);
            importStu.push_back(seconds(t));
            stored = import.count();

            platform::MemoryListView scoreList;
            t.restart();
            ScoreImport scoreImport(db, &scoreList);
            scoreImport.run(kScores);
            importScore.push_back(seconds(t));
            listed = scoreImport.count();
            db.close();
        }
        {
            CDB db;
            db.open(copyOf(demo, dir, u"alone.mdb"_s));
            QElapsedTimer t;
            t.start();
            {
                CStudent student(db);
                for (size_t i = 0; i < pupils.size();) {
                    store::Batch batch(db);
                    for (int k = 0; k < StudentImport::kRowsPerBatch && i < pupils.size();
                         ++k, ++i) {
                        const Pupil& p = pupils[i];
                        student.InsertStu(p.name, p.grade, p.group, p.groupName, p.sex, p.birthday,
                                          p.nation, p.stuNo, p.address, p.area);
                    }
                }
            }
            aloneStu.push_back(seconds(t));

            t.restart();
            {
                CValue value(db);
                CStudent student(db);
                for (size_t i = 0; i < scores.size();) {
                    store::Batch batch(db);
                    for (int k = 0; k < ScoreImport::kRowsPerBatch && i < scores.size(); ++k, ++i) {
                        long id = 0;
                        QString name;
                        if (student.GetIDByStuNO(scores[i].stuNo, id, name) == 1)
                            value.InsertValue(id, scores[i].item, scores[i].value);
                    }
                }
            }
            aloneScore.push_back(seconds(t));
            db.close();
        }
        {
            theDB.open(copyOf(demo, dir, u"window.mdb"_s));
            bDBOpen = true;
            CDlgImportStu stu;
            windowStu.push_back(throughWindow(stu, CDlgImportStu::IdPath, kStudents));
            CDlgImportValue value;
            windowScore.push_back(throughWindow(value, CDlgImportValue::IdPath, kScores));
            theDB.close();
        }
    }
    const QStringList shown = boxes.texts();
    const QStringList expected{u"总共导入学生:10000人"_s, u"总共导入成绩:10000条"_s};
    for (int r = 0; r < 2 * kRounds; ++r) {
        if (shown.mid(2 * r, 2) != expected) {
            std::fprintf(stderr, "bench_imports: unexpected messages: %s\n",
                         qUtf8Printable(shown.join(u" | "_s)));
            return 1;
        }
    }

    std::printf("median of %d rounds, into a copy of %s\n", kRounds, qUtf8Printable(demo));
    std::printf("reading alone (reader process):   students %.3f s, scores %.3f s\n",
                median(readStudents), median(readScores));
    printLine("student import (10,000 rows)", stored, median(importStu), median(aloneStu));
    printLine("score import (10,000 rows)", listed, median(importScore), median(aloneScore));
    printLine("student import, its window", stored, median(windowStu), median(aloneStu));
    printLine("score import, its window", listed, median(windowScore), median(aloneScore));
    std::printf("targets: each import under 3 s, ratio at most 1.50\n");
    return 0;
}
