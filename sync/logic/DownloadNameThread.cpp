#include "DownloadNameThread.h"

#include "CExcel.h"
#include "Gbk.h"
#include "ListView.h"
#include "MachineInterface.h"
#include "MessageService.h"

namespace
{
constexpr int kInstrumentFull = 3;
}

DownloadNameThread::DownloadNameThread(std::shared_ptr<MachineInterface> machine,
                                       platform::ListView& list, QString strPath)
    : m_machine(std::move(machine)), m_list(list), m_strPath(std::move(strPath))
{
}

QString DownloadNameThread::className(const QString& strPath)
{
    QString name = strPath.mid(strPath.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

void DownloadNameThread::run()
{
    m_iCount = 0;
    m_notSent = {};
    CExcel excel;
    // A workbook that cannot be opened has been reported by the reader; its counts are 0.
    excel.Open(m_strPath);
    const QString name = className(m_strPath);
    if (excel.m_lRecordCount == 0 || excel.m_lFieldCount == 0) {
        platform::appMessage(QStringLiteral("没有要下载的内容."));
        return;
    }
    if (m_machine->CMD0_Handshake() != 1) {
        platform::appMessage(QStringLiteral("握手失败!"));
        return;
    }
    const int accepted = m_machine->CMD1_WriteOneClass(platform::toGbkCut(name, kClassNameBytes),
                                                       static_cast<int>(excel.m_lRecordCount));
    if (accepted == kInstrumentFull) {
        platform::appMessage(QStringLiteral("仪器没有足够的空间!"));
        m_machine->CMD10_Goodbye();
        return;
    }
    if (accepted == 1)
        sendRows(excel, name);
    m_machine->CMD10_Goodbye();
    platform::appMessage(QStringLiteral("总共下载学生:%1").arg(m_iCount));
    reportNotSent();
}

void DownloadNameThread::sendRows(CExcel& excel, const QString& strClassName)
{
    QStringList saCol;
    while (excel.GetRec(saCol)) {
        if (interruptionRequested())
            break;
        if (saCol.value(0).isEmpty())
            break;
        // A sheet of one column has numbers only: they go with empty names.
        const QString number = saCol.at(0).trimmed();
        const QString name = saCol.value(1).trimmed();
        bool numberOk = false;
        bool nameOk = false;
        const QByteArray numberBytes = platform::toGbk(number, &numberOk);
        const QByteArray nameBytes = platform::toGbk(name, &nameOk);
        if (!numberOk || !nameOk) {
            ++m_notSent.notGbk; // a '?' in its place would never match the pupil again
            continue;
        }
        if (numberBytes.size() > kNumberBytes) {
            ++m_notSent.tooLong; // a result record could not carry it back
            continue;
        }
        if (m_machine->CMD2_WriteOneStudent(numberBytes, nameBytes) != 1) {
            ++m_notSent.notStored;
            continue;
        }
        const int row = m_list.insertRow(m_iCount, number);
        m_list.setCell(row, 1, name);
        m_list.setCell(row, 2, strClassName);
        ++m_iCount;
    }
}

void DownloadNameThread::reportNotSent() const
{
    if (m_notSent.total() == 0)
        return;
    QStringList lines{QStringLiteral("%1名学生没有下载到仪器:").arg(m_notSent.total())};
    if (m_notSent.notStored > 0)
        lines << QStringLiteral("仪器没有应答或没有接收:%1").arg(m_notSent.notStored);
    if (m_notSent.tooLong > 0)
        lines << QStringLiteral("编号超过%1个字节:%2").arg(kNumberBytes).arg(m_notSent.tooLong);
    if (m_notSent.notGbk > 0)
        lines << QStringLiteral("含有GBK无法表示的字符:%1").arg(m_notSent.notGbk);
    platform::appMessage(lines.join(QLatin1Char('\n')));
}
