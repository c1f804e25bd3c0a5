#include "ResultsExport.h"

#include "Database.h"
#include "ResultsReader.h"
#include "SqlConnection.h"
#include "StoreError.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <xlsxwriter.h>

namespace
{
constexpr int kMaxSheetName = 31;

// The first n characters (code points) of text.
QString leftChars(const QString& text, int n)
{
    const QList<uint> codes = text.toUcs4();
    if (codes.size() <= n)
        return text;
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(codes.constData()), n);
}

int charCount(const QString& text)
{
    return int(text.toUcs4().size());
}

QString trimmedApostrophes(QString name)
{
    while (name.startsWith(QLatin1Char('\'')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char('\'')))
        name.chop(1);
    return name;
}
} // namespace

QStringList ResultsExport::sheetNames(const QStringList& classNames)
{
    QStringList names;
    QSet<QString> taken;
    for (const QString& wanted : classNames) {
        QString base = wanted;
        for (const QChar c : QStringLiteral("[]:*?/\\"))
            base.replace(c, QLatin1Char('_'));
        base = trimmedApostrophes(leftChars(trimmedApostrophes(base.trimmed()), kMaxSheetName));
        if (base.isEmpty())
            base = QStringLiteral("班级");
        QString name = base;
        for (int n = 2; taken.contains(name.toCaseFolded()); ++n) {
            const QString suffix = QStringLiteral("(%1)").arg(n);
            name = leftChars(base, kMaxSheetName - charCount(suffix)) + suffix;
        }
        taken.insert(name.toCaseFolded());
        names << name;
    }
    return names;
}

QStringList ResultsExport::headings(const ClassCompletion& c)
{
    QStringList h{QStringLiteral("班级"), QStringLiteral("学号"), QStringLiteral("姓名"),
                  QStringLiteral("性别"), QStringLiteral("卡号")};
    for (const store::ResultItem& i : c.items)
        h << (i.unit.isEmpty() ? i.name : QStringLiteral("%1(%2)").arg(i.name, i.unit));
    return h;
}

ResultsExport::Outcome ResultsExport::run(const CDB& db, const QString& path,
                                          const QString& classNo)
{
    try {
        if (!db.database())
            throw store::StoreError(QStringLiteral("数据库没有打开"));
        const store::ResultsData data =
            store::ResultsReader::read(db.database()->connection(), classNo);
        return write(CompletionRule::build(data), path);
    } catch (const store::StoreError& e) {
        return {false, e.description()};
    }
}

ResultsExport::Outcome ResultsExport::write(const std::vector<ClassCompletion>& classes,
                                            const QString& path)
{
    Outcome outcome;
    // Written beside the target and moved over it at the end: a failed export leaves no
    // half-written workbook under the name asked for.
    const QString partial = path + QStringLiteral(".part");
    const QByteArray tmpdir = QDir::tempPath().toLocal8Bit();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char*>(tmpdir.constData());
    lxw_workbook* book = workbook_new_opt(QFile::encodeName(partial).constData(), &options);
    if (!book)
        return {false, QStringLiteral("无法创建文件 %1").arg(partial)};

    QStringList wanted;
    for (const ClassCompletion& c : classes)
        wanted << (c.className.trimmed().isEmpty() ? c.classNo : c.className);
    const QStringList names = sheetNames(wanted);
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);

    for (size_t k = 0; k < classes.size(); ++k) {
        const ClassCompletion& c = classes[k];
        lxw_worksheet* sheet =
            workbook_add_worksheet(book, names.at(qsizetype(k)).toUtf8().constData());
        if (!sheet) {
            workbook_close(book);
            QFile::remove(partial);
            return {false, QStringLiteral("工作表名无效: %1").arg(names.at(qsizetype(k)))};
        }
        const QStringList heads = headings(c);
        for (int col = 0; col < heads.size(); ++col)
            worksheet_write_string(sheet, 0, lxw_col_t(col), heads.at(col).toUtf8().constData(),
                                   bold);
        lxw_row_t row = 1;
        for (const CompletionPupil& p : c.pupils) {
            const QString fixed[] = {c.className.isEmpty() ? c.classNo : c.className,
                                     p.pupil.studentNumber, p.pupil.name, p.pupil.sex,
                                     p.pupil.cardNo};
            lxw_col_t col = 0;
            for (const QString& text : fixed) {
                if (!text.isEmpty())
                    worksheet_write_string(sheet, row, col, text.toUtf8().constData(), nullptr);
                ++col;
            }
            for (const CompletionCell& cell : p.cells) {
                double number = 0;
                if (cell.state == CompletionCell::State::Done) {
                    if (CompletionRule::asNumber(cell.value, number))
                        worksheet_write_number(sheet, row, col, number, nullptr);
                    else
                        worksheet_write_string(
                            sheet, row, col,
                            CompletionRule::valueText(cell.value).toUtf8().constData(), nullptr);
                }
                ++col;
            }
            ++row;
            ++outcome.pupils;
        }
        ++outcome.sheets;
    }
    if (classes.empty())
        workbook_add_worksheet(book, nullptr);
    const lxw_error error = workbook_close(book);
    if (error != LXW_NO_ERROR) {
        QFile::remove(partial);
        return {false, QString::fromUtf8(lxw_strerror(error))};
    }
    QFile::remove(path);
    if (!QFile::rename(partial, path)) {
        QFile::remove(partial);
        return {false, QStringLiteral("无法写入文件 %1").arg(path)};
    }
    outcome.ok = true;
    return outcome;
}
