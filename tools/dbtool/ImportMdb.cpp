#include "ImportMdb.h"

#include "ConvertedDatabase.h"
#include "MdbFrames.h"
#include "MdbReaderProcess.h"
#include "ServerAddress.h"
#include "ServerCopy.h"
#include "StationSchema.h"
#include "StoreError.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

namespace
{

store::ValueKind kindOf(quint8 jetType)
{
    using namespace mdbframes;
    switch (jetType) {
    case JetBool:
    case JetByte:
    case JetInt:
    case JetLong:
        return store::ValueKind::Integer;
    case JetMoney:
    case JetSingle:
    case JetDouble:
    case JetNumeric:
        return store::ValueKind::Real;
    case JetDateTime:
        return store::ValueKind::Date;
    case JetText:
    case JetMemo:
    case JetGuid:
        return store::ValueKind::Text;
    default:
        return store::ValueKind::Blob;
    }
}

QString damaged(const QString& detail)
{
    return QStringLiteral("Access文件已损坏, 无法转换: %1").arg(detail);
}

// Takes the reader's tables into the new database and checks that nothing went missing.
class Carrier final : public MdbReaderListener
{
public:
    Carrier(store::ConvertedDatabase& db, const ImportMdb::Progress& progress)
        : m_db(db), m_progress(progress)
    {
    }

    void catalog(const QList<MdbTableInfo>& tables) override
    {
        QStringList missing;
        for (const store::StationTable& s : store::stationTables()) {
            if (!s.supplied)
                continue;
            bool found = false;
            for (const MdbTableInfo& t : tables)
                found = found || t.name.compare(s.name, Qt::CaseInsensitive) == 0;
            if (!found)
                missing << s.name;
        }
        if (!missing.isEmpty())
            throw MdbReadStopped{
                QStringLiteral("Access文件中缺少表: %1").arg(missing.join(QStringLiteral(", ")))};
        m_expectedTables = tables.size();
        for (const MdbTableInfo& t : tables)
            m_total += t.declaredRows;
    }

    void tableStarts(const MdbTableInfo& table) override
    {
        m_table = table;
        m_rows = 0;
        QList<store::ConvertedColumn> columns;
        for (const MdbColumnInfo& c : table.columns)
            columns << store::ConvertedColumn{c.name, kindOf(c.type)};
        try {
            m_db.beginTable(table.name, columns);
        } catch (const store::StoreError& e) {
            throw MdbReadStopped{
                QStringLiteral("表 %1 无法建立: %2").arg(table.name, e.description())};
        }
    }

    void row(const QVariantList& values) override
    {
        ++m_rows;
        try {
            m_db.addRow(values);
        } catch (const store::StoreError& e) {
            throw MdbReadStopped{QStringLiteral("表 %1 第 %2 行无法转换: %3")
                                     .arg(m_table.name)
                                     .arg(m_rows)
                                     .arg(e.description())};
        }
        if (m_progress && (++m_done % 2000) == 0)
            m_progress(m_done, m_total);
    }

    void tableEnds(quint32 rowsSent) override
    {
        // A file cut short reads as tables with rows missing, without any error.
        if (rowsSent != m_rows || m_rows < m_table.declaredRows)
            throw MdbReadStopped{damaged(QStringLiteral("表 %1 只读出 %2 行, 表定义记录 %3 行")
                                             .arg(m_table.name)
                                             .arg(m_rows)
                                             .arg(m_table.declaredRows))};
        QString line = QStringLiteral("%1: %2 行, %3 列")
                           .arg(m_db.tableName())
                           .arg(m_rows)
                           .arg(m_table.columnCount);
        if (!m_db.addedColumns().isEmpty())
            line += QStringLiteral(" (补上本程序所需的列 %1)")
                        .arg(m_db.addedColumns().join(QStringLiteral(", ")));
        m_lines << line;
    }

    bool allTablesCame() const { return m_lines.size() == m_expectedTables; }
    const QStringList& lines() const { return m_lines; }
    qint64 done() const { return m_done; }
    qint64 total() const { return m_total; }

private:
    store::ConvertedDatabase& m_db;
    const ImportMdb::Progress& m_progress;
    MdbTableInfo m_table;
    quint32 m_rows = 0;
    qint64 m_done = 0;
    qint64 m_total = 0;
    int m_expectedTables = -1;
    QStringList m_lines;
};

// Why the file cannot be an Access file as it stands, or nothing.
std::optional<QString> fileProblem(const QString& path)
{
    QFile file(path);
    if (!QFileInfo::exists(path))
        return QStringLiteral("找不到 %1").arg(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("无法读取 %1: %2").arg(path, file.errorString());
    const QByteArray head = file.read(0x18);
    if (head.size() < 0x18 ||
        (head.mid(4, 15) != "Standard Jet DB" && head.mid(4, 15) != "Standard ACE DB"))
        return QStringLiteral("%1 不是Access数据库文件").arg(path);
    // Jet 3 pages are 2 KB, later versions 4 KB; a file of broken pages was cut short.
    const qint64 page = head.at(0x14) == 0 ? 2048 : 4096;
    if (file.size() % page != 0)
        return damaged(QStringLiteral("文件长 %1 字节, 不是页大小 %2 的整数倍 (文件不完整)")
                           .arg(file.size())
                           .arg(page));
    return std::nullopt;
}

} // namespace

ImportMdb::Outcome ImportMdb::run(const QString& oldPath, const QString& newPath,
                                  const Progress& progress)
{
    Outcome out;
    if (const auto problem = fileProblem(oldPath)) {
        out.error = *problem;
        return out;
    }
    if (QFileInfo::exists(newPath) || QFileInfo(newPath).isSymLink()) {
        out.error = QStringLiteral("%1 已存在, 不覆盖").arg(newPath);
        return out;
    }
    try {
        store::ConvertedDatabase db(newPath);
        Carrier carrier(db, progress);
        MdbReaderProcess reader(m_limits ? *m_limits
                                         : MdbReaderProcess::limitsFor(QFileInfo(oldPath).size()));
        const MdbReaderProcess::Result r = reader.read(oldPath, carrier);
        if (r.outcome == MdbReaderProcess::Outcome::Failed) {
            out.error = damaged(r.message);
            return out;
        }
        if (r.outcome == MdbReaderProcess::Outcome::Stopped) {
            out.error = r.message;
            return out;
        }
        if (!carrier.allTablesCame()) {
            out.error = damaged(QStringLiteral("表目录中的表没有全部读出"));
            return out;
        }
        db.finish();
        if (progress)
            progress(carrier.total(), carrier.total());
        out.lines = carrier.lines();
        out.ok = true;
    } catch (const store::StoreError& e) {
        out.error = e.description();
    }
    return out;
}

ImportMdb::Outcome ImportMdb::runToServer(const QString& oldPath, const QString& address,
                                          const Progress& progress)
{
    Outcome out;
    // Refused before the conversion, which may take long: a file that is none, a server that
    // cannot take the tables.
    if (const auto problem = fileProblem(oldPath)) {
        out.error = *problem;
        return out;
    }
    if (const QString problem = store::copyTargetProblem(address); !problem.isEmpty()) {
        out.error = QStringLiteral("服务器不能接收数据库: %1").arg(problem);
        return out;
    }
    const QTemporaryDir scratch;
    if (!scratch.isValid()) {
        out.error = QStringLiteral("无法建立临时文件夹: %1").arg(scratch.errorString());
        return out;
    }
    const QString station = scratch.filePath(QStringLiteral("station.mdb"));
    out = run(oldPath, station, progress);
    if (!out.ok)
        return out;
    QString copied;
    try {
        // Said, not hidden: the station works without them, but they are in the Access file.
        const QStringList left = store::notCopiedToServer(station);
        if (!left.isEmpty())
            out.lines << QStringLiteral("本程序不用, 不复制到服务器: %1")
                             .arg(left.join(QStringLiteral(", ")));
        copied = store::copyToServer(station, address);
    } catch (const store::StoreError& e) {
        copied = e.description();
    }
    if (!copied.isEmpty()) {
        out = Outcome{};
        out.error = QStringLiteral("复制到服务器失败, 服务器上没有留下任何数据: %1").arg(copied);
    }
    return out;
}

int importMdbMain(QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Carries an Access database over into a new station database, or with "
                       "--server onto a PostgreSQL server."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("import-mdb"), QStringLiteral("the command"));
    parser.addPositionalArgument(QStringLiteral("old"),
                                 QStringLiteral("the Access file (read only)"));
    parser.addPositionalArgument(
        QStringLiteral("new"),
        QStringLiteral("the database to make; with --server the connection file to write"));
    const QCommandLineOption progressOption(QStringLiteral("progress"),
                                            QStringLiteral("print progress lines"));
    parser.addOption(progressOption);
    const QCommandLineOption memoryOption(QStringLiteral("reader-memory"),
                                          QStringLiteral("memory limit of the reader, MB"),
                                          QStringLiteral("MB"));
    const QCommandLineOption secondsOption(QStringLiteral("reader-seconds"),
                                           QStringLiteral("processor time limit of the reader"),
                                           QStringLiteral("S"));
    const QCommandLineOption silenceOption(
        QStringLiteral("reader-silence"),
        QStringLiteral("longest wait for the reader's next output, seconds"), QStringLiteral("S"));
    const QCommandLineOption serverOption(
        QStringLiteral("server"),
        QStringLiteral("carry it into the PostgreSQL server database at URL instead"),
        QStringLiteral("URL"));
    parser.addOptions({memoryOption, secondsOption, silenceOption, serverOption});
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    const bool toServer = parser.isSet(serverOption);
    if (toServer ? args.size() < 2 || args.size() > 3 : args.size() != 3) {
        std::fprintf(stderr, "usage: sorvik-dbtool import-mdb [--progress] OLD.mdb NEW.mdb\n"
                             "       sorvik-dbtool import-mdb [--progress] OLD.mdb --server URL "
                             "[CONNECTION.mdb]\n");
        return 2;
    }
    const QString oldPath = args.at(1);
    const QString newPath = args.value(2);
    const QString address = parser.value(serverOption);
    // The connection file replaces none but an older connection file.
    if (toServer && !newPath.isEmpty() &&
        (QFileInfo::exists(newPath) || QFileInfo(newPath).isSymLink()) &&
        store::serverAddressInFile(newPath).isEmpty()) {
        std::fprintf(stderr, "sorvik-dbtool: %s\n",
                     qUtf8Printable(QStringLiteral("%1 已存在, 不覆盖").arg(newPath)));
        return 1;
    }
    ImportMdb import;
    if (parser.isSet(memoryOption) || parser.isSet(secondsOption) || parser.isSet(silenceOption)) {
        MdbReaderProcess::Limits limits = MdbReaderProcess::limitsFor(QFileInfo(oldPath).size());
        bool ok = true;
        auto number = [&](const QCommandLineOption& o, qint64 current) {
            if (!parser.isSet(o))
                return current;
            bool good = false;
            const qint64 n = parser.value(o).toLongLong(&good);
            ok = ok && good && n > 0;
            return n;
        };
        limits.memoryBytes = number(memoryOption, limits.memoryBytes >> 20) << 20;
        limits.cpuSeconds = static_cast<int>(number(secondsOption, limits.cpuSeconds));
        limits.silenceMs = static_cast<int>(number(silenceOption, limits.silenceMs / 1000) * 1000);
        if (!ok) {
            std::fprintf(stderr, "sorvik-dbtool: the reader limits need positive numbers\n");
            return 2;
        }
        import.setReaderLimits(limits);
    }
    ImportMdb::Progress progress;
    if (parser.isSet(progressOption))
        progress = [](qint64 done, qint64 total) {
            std::printf("progress %lld %lld\n", static_cast<long long>(done),
                        static_cast<long long>(total));
            std::fflush(stdout);
        };
    const ImportMdb::Outcome out = toServer ? import.runToServer(oldPath, address, progress)
                                            : import.run(oldPath, newPath, progress);
    if (!out.ok) {
        std::fprintf(stderr, "sorvik-dbtool: %s\n", qUtf8Printable(out.error));
        return 1;
    }
    for (const QString& line : out.lines)
        std::printf("%s\n", qUtf8Printable(line));
    if (!toServer) {
        std::printf("%s\n",
                    qUtf8Printable(QStringLiteral("已把 %1 转换为 %2").arg(oldPath, newPath)));
        return 0;
    }
    std::printf("%s\n", qUtf8Printable(QStringLiteral("已把 %1 转换到服务器上").arg(oldPath)));
    if (newPath.isEmpty())
        return 0;
    if (const QString error = store::writeConnectionFile(newPath, address); !error.isEmpty()) {
        std::fprintf(stderr, "sorvik-dbtool: %s\n",
                     qUtf8Printable(QStringLiteral("数据已在服务器上, 但连接文件没有写成 (可用 "
                                                   "connection-file 再写): %1")
                                        .arg(error)));
        return 1;
    }
    std::printf("%s\n", qUtf8Printable(QStringLiteral("已写入连接文件 %1").arg(newPath)));
    return 0;
}
