#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The pupils a download did not get onto the instrument, by class and reason, and the one
// message that tells the user about them when the download has ended. A download lists a pupil
// as sent only once the instrument has accepted it; the class download and the name download
// both keep their pupils not sent here.
class PupilsNotSent
{
public:
    enum class Reason {
        NoAnswer,      // the instrument did not answer, or could not save (result 0)
        Refused,       // any other result but 1
        EmptyNumber,   // nothing to find the pupil's results by
        NumberTooLong, // more GBK bytes than a result record carries
        NumberNotGbk,  // sent with '?', it would never find its pupil again
        NameNotGbk,
    };

    // The longest pupil number, in GBK bytes, that the instrument's result records carry.
    static constexpr int kNumberBytes = 20;

    // A pupil as the instrument takes it (GBK bytes), or why it cannot be sent. The number is
    // checked before the name; both are expected trimmed.
    struct Encoded {
        QByteArray number;
        QByteArray name;
        std::optional<Reason> problem;
    };
    static Encoded encode(const QString& number, const QString& name);
    // Why the instrument did not take a class or pupil it answered with result (not 1).
    static Reason forResult(int result);
    static QString reasonText(Reason reason);

    // pupils of className not sent for reason; entries of the same class and reason add up.
    void add(const QString& className, Reason reason, int pupils = 1);
    bool isEmpty() const { return m_entries.isEmpty(); }
    int total() const;
    int count(const QString& className, Reason reason) const;
    // "共%1名学生没有下载到仪器:", then "班级: n名, reason" per class and reason in the order
    // met (at most kMaxLines, then how many more pupils).
    QString message() const;

private:
    static constexpr int kMaxLines = 20;

    struct Entry {
        QString className;
        Reason reason;
        int pupils;
    };
    QList<Entry> m_entries;
};
