#pragma once

#include "ExchangeWorker.h"

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
// first row without a number. Every pupil the instrument stored is appended to the list; the
// pupils it did not store are counted by reason and reported after the total.
class DownloadNameThread final : public ExchangeWorker
{
    Q_OBJECT
public:
    // Why a pupil was not sent, or not stored by the instrument.
    struct NotSent {
        int notStored = 0; // the instrument did not answer, or refused the pupil
        int tooLong = 0;   // the number does not fit the instrument's 20 bytes
        int notGbk = 0;    // number or name holds characters GBK cannot hold
        int total() const { return notStored + tooLong + notGbk; }
    };

    // The longest pupil number the instrument keeps, in GBK bytes.
    static constexpr int kNumberBytes = 20;
    static constexpr int kClassNameBytes = 16;

    // list: the dialog's list, emptied by the dialog before; it must outlive the worker.
    DownloadNameThread(std::shared_ptr<MachineInterface> machine, platform::ListView& list,
                       QString strPath);

    void run() override;

    // The class name of a workbook: its file name after the last "/", without the text from
    // its last full stop on.
    static QString className(const QString& strPath);

    // Known after run(): the pupils sent and stored, and those that were not.
    int sent() const { return m_iCount; }
    NotSent notSent() const { return m_notSent; }

private:
    void sendRows(CExcel& excel, const QString& strClassName);
    void reportNotSent() const;

    std::shared_ptr<MachineInterface> m_machine;
    platform::ListView& m_list;
    QString m_strPath;
    int m_iCount = 0;
    NotSent m_notSent;
};
