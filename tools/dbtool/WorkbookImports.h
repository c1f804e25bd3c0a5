#pragma once

#include <QString>

// The student, score and card imports of the database menu, from the command line: the same logic
// classes, every message printed on standard output as "caption: text", one a line.
// Returns the exit status: 0 when the run went to the end of the data, 1 when it was refused
// or broken off by an error (the database included).
int importStudents(const QString& strDBFile, const QString& strWorkbook);
int importScores(const QString& strDBFile, const QString& strWorkbook);
int importCards(const QString& strDBFile, const QString& strWorkbook);
// The stored results to an .xlsx workbook (ResultsExport): every class, or the class classNo.
// 0 written, 1 not (the reason printed).
int exportResults(const QString& strDBFile, const QString& strWorkbook, const QString& classNo);
