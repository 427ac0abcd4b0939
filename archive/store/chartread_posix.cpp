// The chart's readings on Linux. Qt's SQLite and PostgreSQL drivers here
// load the system's libsqlite3 and libpq, the libraries this file links, so
// the handles Qt holds read them with their own calls: each row's values
// taken as they are, where Qt would make a QVariant of every one. A server
// sends them in its binary form, numbers without a text to read.

#include "archive/store/chartread.h"

#include "archive/store/driverhandle_posix.h"

#include <QByteArray>
#include <QtEndian>

#include <cstring>
#include <memory>
#include <vector>

namespace {

struct FinalizeStatement
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};

// Binds values to the placeholders of prepared in order; false when SQLite
// refused one.
bool BindAll(sqlite3_stmt *prepared, const QVariantList &values)
{
    for (int at = 0; at < values.size(); ++at) {
        const QVariant &value = values[at];
        const int position = at + 1;
        int bound = SQLITE_OK;
        if (value.isNull()) {
            bound = sqlite3_bind_null(prepared, position);
        } else {
            switch (value.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::Long:
            case QMetaType::Bool:
                bound = sqlite3_bind_int64(prepared, position, value.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                bound = sqlite3_bind_double(prepared, position, value.toDouble());
                break;
            default: {
                const QByteArray text = value.toString().toUtf8();
                bound = sqlite3_bind_text(prepared, position, text.constData(), int(text.size()),
                                          SQLITE_TRANSIENT);
            }
            }
        }
        if (bound != SQLITE_OK)
            return false;
    }
    return true;
}

QByteArrayView ColumnText(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return QByteArrayView(text, text ? sqlite3_column_bytes(statement, column) : 0);
}

using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// "SELECT " columns " FROM " from prepared with values bound; empty with
// SQLite's words in *reason.
Statement PreparedSelect(sqlite3 *handle, const char *columns, const QString &from,
                         const QVariantList &values, QString *reason)
{
    const QByteArray sql = QByteArray("SELECT ") + columns + " FROM " + from.toUtf8();
    sqlite3_stmt *prepared = nullptr;
    const int made =
        sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &prepared, nullptr);
    Statement statement(prepared);
    if (made != SQLITE_OK || !BindAll(prepared, values)) {
        *reason = QString::fromUtf8(sqlite3_errmsg(handle));
        return nullptr;
    }
    return statement;
}

ChartReadEnd ReadFromSqlite(sqlite3 *handle, const QString &from, const QVariantList &values,
                            const ChartKeepGoing &keepGoing, QVector<ChartReading> *readings,
                            QString *reason)
{
    const Statement statement = PreparedSelect(handle, ChartReadingColumns, from, values, reason);
    if (!statement)
        return ChartReadEnd::Failed;
    sqlite3_stmt *prepared = statement.get();
    ChartReadingMaker maker;
    qint64 rows = 0;
    int stepped = SQLITE_ROW;
    while ((stepped = sqlite3_step(prepared)) == SQLITE_ROW) {
        if (ChartReadStopped(++rows, keepGoing))
            return ChartReadEnd::Cancelled;
        const std::optional<ChartReading> reading =
            maker.Of(long(sqlite3_column_int64(prepared, 1)), ColumnText(prepared, 2),
                     float(sqlite3_column_double(prepared, 3)), sqlite3_column_int64(prepared, 0),
                     ColumnText(prepared, 4) == QByteArrayView(ChartFailText));
        if (reading)
            readings->append(*reading);
    }
    if (stepped != SQLITE_DONE) {
        *reason = QString::fromUtf8(sqlite3_errmsg(handle));
        return ChartReadEnd::Failed;
    }
    return ChartReadEnd::Read;
}

bool TallyFromSqlite(sqlite3 *handle, const QString &from, const QVariantList &values,
                     ChartTallySum *sum, QString *reason)
{
    const Statement statement = PreparedSelect(handle, ChartTallyColumns, from, values, reason);
    if (!statement)
        return false;
    sqlite3_stmt *prepared = statement.get();
    int stepped = SQLITE_ROW;
    while ((stepped = sqlite3_step(prepared)) == SQLITE_ROW)
        sum->Add(long(sqlite3_column_int64(prepared, 0)), ColumnText(prepared, 1),
                 sqlite3_column_int64(prepared, 2) != 0, ColumnText(prepared, 3),
                 sqlite3_column_int64(prepared, 4));
    if (stepped != SQLITE_DONE) {
        *reason = QString::fromUtf8(sqlite3_errmsg(handle));
        return false;
    }
    return true;
}

struct ClearResult
{
    void operator()(PGresult *result) const { PQclear(result); }
};

// The statement with libpq's placeholders $1, $2, ... for Qt's ?, those
// within quotes left as they are.
QByteArray NumberedPlaceholders(const QString &sql)
{
    QByteArray numbered;
    const QByteArray utf8 = sql.toUtf8();
    numbered.reserve(utf8.size() + 16);
    bool quoted = false;
    int next = 1;
    for (const char c : utf8) {
        if (c == '\'')
            quoted = !quoted;
        if (c == '?' && !quoted)
            numbered += '$' + QByteArray::number(next++);
        else
            numbered += c;
    }
    return numbered;
}

// A value as the server reads it from text.
QByteArray ServerText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        // 17 digits read back as the very same double.
        return QByteArray::number(value.toDouble(), 'g', 17);
    case QMetaType::Bool:
        return value.toBool() ? "1" : "0";
    default:
        return value.toString().toUtf8();
    }
}

// An integer column of the binary form: 2, 4 or 8 bytes, most significant
// first.
qint64 BinaryInteger(const char *value, int bytes)
{
    switch (bytes) {
    case 2:
        return qFromBigEndian<qint16>(value);
    case 4:
        return qFromBigEndian<qint32>(value);
    case 8:
        return qFromBigEndian<qint64>(value);
    }
    return 0;
}

// A floating column of the binary form: 4 or 8 bytes of IEEE 754, most
// significant first.
double BinaryFloating(const char *value, int bytes)
{
    if (bytes == 4) {
        const quint32 bits = qFromBigEndian<quint32>(value);
        float number;
        std::memcpy(&number, &bits, sizeof number);
        return number;
    }
    const quint64 bits = qFromBigEndian<quint64>(value);
    double number;
    std::memcpy(&number, &bits, sizeof number);
    return number;
}

using Result = std::unique_ptr<PGresult, ClearResult>;

// "SELECT " columns " FROM " from run with values bound, its rows in binary
// form; empty with the server's words in *reason.
Result BinarySelect(PGconn *connection, const char *columns, const QString &from,
                    const QVariantList &values, QString *reason)
{
    const QByteArray sql = NumberedPlaceholders(QStringLiteral("SELECT ") + QLatin1String(columns) +
                                                QStringLiteral(" FROM ") + from);
    std::vector<QByteArray> texts;
    std::vector<const char *> params;
    texts.reserve(size_t(values.size()));
    for (const QVariant &value : values) {
        texts.push_back(ServerText(value));
        params.push_back(value.isNull() ? nullptr : texts.back().constData());
    }
    constexpr int Binary = 1;
    Result result(PQexecParams(connection, sql.constData(), int(params.size()), nullptr,
                               params.data(), nullptr, nullptr, Binary));
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
        *reason = QString::fromUtf8(result ? PQresultErrorMessage(result.get())
                                           : PQerrorMessage(connection))
                      .trimmed();
        return nullptr;
    }
    return result;
}

// Whether the columns of got are integers of the binary form.
bool IntegerColumns(const PGresult *got, std::initializer_list<int> columns, QString *reason)
{
    for (const int column : columns) {
        const int bytes = PQfsize(got, column);
        if (bytes != 2 && bytes != 4 && bytes != 8) {
            *reason = QStringLiteral("unexpected column types of the archive's tables");
            return false;
        }
    }
    return true;
}

QByteArrayView BinaryText(const PGresult *got, int row, int column)
{
    return QByteArrayView(PQgetvalue(got, row, column), PQgetlength(got, row, column));
}

ChartReadEnd ReadFromServer(PGconn *connection, const QString &from, const QVariantList &values,
                            const ChartKeepGoing &keepGoing, QVector<ChartReading> *readings,
                            QString *reason)
{
    const Result result = BinarySelect(connection, ChartReadingColumns, from, values, reason);
    if (!result)
        return ChartReadEnd::Failed;
    const PGresult *got = result.get();
    const int testNoBytes = PQfsize(got, 0);
    const int dateKeyBytes = PQfsize(got, 1);
    const int readingBytes = PQfsize(got, 3);
    if (!IntegerColumns(got, {0, 1}, reason))
        return ChartReadEnd::Failed;
    if (readingBytes != 4 && readingBytes != 8) {
        *reason = QStringLiteral("unexpected column types of the archive's tables");
        return ChartReadEnd::Failed;
    }
    ChartReadingMaker maker;
    const int rows = PQntuples(got);
    for (int row = 0; row < rows; ++row) {
        if (ChartReadStopped(row + 1, keepGoing))
            return ChartReadEnd::Cancelled;
        if (PQgetisnull(got, row, 0) || PQgetisnull(got, row, 1) || PQgetisnull(got, row, 3))
            continue;
        const std::optional<ChartReading> reading = maker.Of(
            long(BinaryInteger(PQgetvalue(got, row, 1), dateKeyBytes)), BinaryText(got, row, 2),
            float(BinaryFloating(PQgetvalue(got, row, 3), readingBytes)),
            BinaryInteger(PQgetvalue(got, row, 0), testNoBytes),
            QByteArrayView(PQgetvalue(got, row, 4), PQgetlength(got, row, 4)) ==
                QByteArrayView(ChartFailText));
        if (reading)
            readings->append(*reading);
    }
    return ChartReadEnd::Read;
}

bool TallyFromServer(PGconn *connection, const QString &from, const QVariantList &values,
                     ChartTallySum *sum, QString *reason)
{
    const Result result = BinarySelect(connection, ChartTallyColumns, from, values, reason);
    if (!result)
        return false;
    const PGresult *got = result.get();
    if (!IntegerColumns(got, {0, 2, 4}, reason))
        return false;
    const int dateKeyBytes = PQfsize(got, 0);
    const int drawnBytes = PQfsize(got, 2);
    const int testsBytes = PQfsize(got, 4);
    const int rows = PQntuples(got);
    for (int row = 0; row < rows; ++row)
        sum->Add(long(BinaryInteger(PQgetvalue(got, row, 0), dateKeyBytes)),
                 BinaryText(got, row, 1), BinaryInteger(PQgetvalue(got, row, 2), drawnBytes) != 0,
                 BinaryText(got, row, 3), BinaryInteger(PQgetvalue(got, row, 4), testsBytes));
    return true;
}

} // namespace

ChartReadEnd ReadChartReadings(QSqlDatabase db, ArchiveLocation::Driver driver, const QString &from,
                               const QVariantList &values, const ChartKeepGoing &keepGoing,
                               QVector<ChartReading> *readings, QString *reason)
{
    switch (driver) {
    case ArchiveLocation::Driver::Sqlite:
        if (sqlite3 *handle = SqliteHandle(db))
            return ReadFromSqlite(handle, from, values, keepGoing, readings, reason);
        break;
    case ArchiveLocation::Driver::Postgres:
        if (PGconn *connection = PostgresHandle(db))
            return ReadFromServer(connection, from, values, keepGoing, readings, reason);
        break;
    case ArchiveLocation::Driver::Odbc:
        break;
    }
    return ReadChartReadingsByQt(db, from, values, keepGoing, readings, reason);
}

bool ReadChartTally(QSqlDatabase db, ArchiveLocation::Driver driver, const QString &from,
                    const QVariantList &values, ChartTallySum *sum, QString *reason)
{
    switch (driver) {
    case ArchiveLocation::Driver::Sqlite:
        if (sqlite3 *handle = SqliteHandle(db))
            return TallyFromSqlite(handle, from, values, sum, reason);
        break;
    case ArchiveLocation::Driver::Postgres:
        if (PGconn *connection = PostgresHandle(db))
            return TallyFromServer(connection, from, values, sum, reason);
        break;
    case ArchiveLocation::Driver::Odbc:
        break;
    }
    return ReadChartTallyByQt(db, from, values, sum, reason);
}
