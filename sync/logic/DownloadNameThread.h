#pragma once

#include "ExchangeWorker.h"
#include "PupilsNotSent.h"

#include <QString>

#include <memory>

class CExcel;
class MachineInterface;

namespace platform
{
class ListView;
}

// Sends the rows of a workbook straight to the instrument as one class named after the
// workbook's file: each row a pupil's number (first cell) and name (second cell), up to the
// first row without a number. Every pupil the instrument accepted is appended to the list; those
// it did not get are counted by reason and reported after the total.
class DownloadNameThread final : public ExchangeWorker
{
    Q_OBJECT
public:
    static constexpr int kClassNameBytes = 16;

    // list: the dialog's list, emptied by the dialog before; it must outlive the worker.
    DownloadNameThread(std::shared_ptr<MachineInterface> machine, platform::ListView& list,
                       QString strPath);

    void run() override;

    // The class name of a workbook: its file name after the last "/", without the text from
    // its last full stop on.
    static QString className(const QString& strPath);

    // Known after run(): the pupils the instrument accepted, and those it did not get.
    int sent() const { return m_iCount; }
    const PupilsNotSent& notSent() const { return m_notSent; }

private:
    void sendRows(CExcel& excel, const QString& strClassName);

    std::shared_ptr<MachineInterface> m_machine;
    platform::ListView& m_list;
    QString m_strPath;
    int m_iCount = 0;
    PupilsNotSent m_notSent;
};
