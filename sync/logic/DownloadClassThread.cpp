#include "DownloadClassThread.h"

#include "CCard.h"
#include "CStudent.h"
#include "Gbk.h"
#include "MachineInterface.h"
#include "MessageService.h"
#include "TransferProgress.h"

namespace
{
constexpr int kInstrumentFull = 3;
constexpr int kClassNameBytes = 16;
} // namespace

DownloadClassThread::DownloadClassThread(std::shared_ptr<MachineInterface> machine,
                                         ProgressView& progress, CStudent& students, CCard& cards,
                                         QList<ChosenClass> classes, NumberType numberType)
    : m_machine(std::move(machine)), m_progress(progress), m_students(students), m_cards(cards),
      m_classes(std::move(classes)), m_numberType(numberType)
{
}

void DownloadClassThread::run()
{
    TransferProgress progress(m_progress); // enables "关闭" on every way out
    m_unsendable = 0;
    if (m_classes.isEmpty()) {
        platform::appMessage(QStringLiteral("下载班级数量为0,返回."));
        return;
    }
    if (m_machine->CMD0_Handshake() != 1) {
        platform::appMessage(QStringLiteral("握手失败!"));
        return;
    }
    int total = 0;
    for (const ChosenClass& c : std::as_const(m_classes))
        total += c.count;
    progress.start(total);

    for (const ChosenClass& c : std::as_const(m_classes)) {
        if (interruptionRequested())
            break;
        if (!sendClass(c, progress))
            return;
    }
    m_machine->CMD10_Goodbye();
    if (m_unsendable > 0)
        platform::appMessage(QStringLiteral("%1名学生的编号含有GBK无法表示的字符,没有下载到仪器.")
                                 .arg(m_unsendable));
}

bool DownloadClassThread::sendClass(const ChosenClass& schoolClass, TransferProgress& progress)
{
    const int pupils = m_students.GetStudentByClassName(schoolClass.name);
    m_machine->f1(1, 3);
    if (pupils < 1)
        return true;
    const int accepted = m_machine->CMD1_WriteOneClass(
        platform::toGbkCut(schoolClass.name, kClassNameBytes), pupils);
    if (accepted == kInstrumentFull) {
        platform::appMessage(QStringLiteral("仪器没有足够的空间!"));
        m_machine->CMD10_Goodbye();
        return false;
    }
    if (accepted != 1)
        return true;

    long id = 0;
    QString studentNumber;
    QString name;
    while (m_students.GetOneRec(id, studentNumber, name) == 1) {
        if (interruptionRequested())
            break;
        QString number = studentNumber;
        if (m_numberType == NumberType::CardNumber) {
            QString cardNumber;
            if (m_cards.GetCardNOByStuID(cardNumber, id) != 1)
                break; // the instrument keeps the pupils it got so far
            number = cardNumber;
        }
        number = number.trimmed();
        name = name.trimmed();
        // A number with a '?' for a character GBK lacks would never match the pupil again.
        bool encoded = false;
        const QByteArray numberBytes = platform::toGbk(number, &encoded);
        if (!encoded) {
            ++m_unsendable;
            continue;
        }
        m_machine->CMD2_WriteOneStudent(numberBytes, platform::toGbk(name));
        progress.addRow({number, name, schoolClass.name});
    }
    return true;
}
