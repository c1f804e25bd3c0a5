#include "DownloadClassThread.h"

#include "CCard.h"
#include "CStudent.h"
#include "Gbk.h"
#include "MachineInterface.h"
#include "MessageService.h"
#include "TransferProgress.h"

#include <algorithm>

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
    m_notSent = PupilsNotSent();
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

    bool full = false;
    for (const ChosenClass& c : std::as_const(m_classes)) {
        if (interruptionRequested())
            break;
        if (!sendClass(c, progress)) {
            full = true;
            break;
        }
    }
    if (!full)
        m_machine->CMD10_Goodbye();
    // Last, after "仪器没有足够的空间!"; not while the station goes down under the worker.
    if (!m_notSent.isEmpty() && !interruptionRequested())
        platform::appMessage(m_notSent.message());
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
    if (accepted != 1) {
        m_notSent.add(schoolClass.name, PupilsNotSent::forResult(accepted), pupils);
        return true;
    }

    long id = 0;
    QString studentNumber;
    QString name;
    int read = 0;
    while (m_students.GetOneRec(id, studentNumber, name) == 1) {
        if (interruptionRequested())
            break;
        ++read;
        QString number = studentNumber;
        if (m_numberType == NumberType::CardNumber) {
            QString cardNumber;
            if (m_cards.GetCardNOByStuID(cardNumber, id) != 1)
                break; // the instrument keeps the pupils it got so far
            number = cardNumber;
        }
        number = number.trimmed();
        name = name.trimmed();
        const PupilsNotSent::Encoded pupil = PupilsNotSent::encode(number, name);
        if (pupil.problem) {
            m_notSent.add(schoolClass.name, *pupil.problem);
            continue;
        }
        const int stored = m_machine->CMD2_WriteOneStudent(pupil.number, pupil.name);
        if (stored != 1) {
            // This pupil and the rest of its class did not go.
            m_notSent.add(schoolClass.name, PupilsNotSent::forResult(stored),
                          std::max(1, pupils - read + 1));
            break;
        }
        progress.addRow({number, name, schoolClass.name});
    }
    return true;
}
