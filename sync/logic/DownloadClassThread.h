#pragma once

#include "ClassLists.h"
#include "ExchangeWorker.h"
#include "NumberType.h"
#include "PupilsNotSent.h"

#include <QList>

#include <memory>

class CCard;
class CStudent;
class MachineInterface;
class ProgressView;
class TransferProgress;

// Sends the chosen classes and their pupils to the instrument, one progress row per pupil the
// instrument accepted. Per class: the pupils by class name, f1(1, 3), and when the class has
// pupils the class write and one pupil write each, by student number or by card number (a pupil
// without a card ends the class). A pupil whose number or name the instrument cannot take is
// not sent; one the instrument does not accept ends its class. The pupils not sent are told in
// one message at the end. "关闭" is enabled whichever way the worker ends.
class DownloadClassThread final : public ExchangeWorker
{
    Q_OBJECT
public:
    // classes: the chosen list as it was when the download started; the stores belong to the
    // starting dialog, which stays open until the worker has ended.
    DownloadClassThread(std::shared_ptr<MachineInterface> machine, ProgressView& progress,
                        CStudent& students, CCard& cards, QList<ChosenClass> classes,
                        NumberType numberType);

    void run() override;

    // The pupils not sent, by class and reason (known after run()).
    const PupilsNotSent& notSent() const { return m_notSent; }

private:
    // False when the instrument is full (the user has been told, goodbye said).
    bool sendClass(const ChosenClass& schoolClass, TransferProgress& progress);

    std::shared_ptr<MachineInterface> m_machine;
    ProgressView& m_progress;
    CStudent& m_students;
    CCard& m_cards;
    QList<ChosenClass> m_classes;
    NumberType m_numberType;
    PupilsNotSent m_notSent;
};
