#include "archive/store/recordfingerprint.h"

#include <QtEndian>

namespace {

void AppendField(QByteArray &to, QByteArrayView bytes)
{
    char length[4];
    qToBigEndian<quint32>(quint32(bytes.size()), length);
    to.append(length, 4);
    to.append(bytes.data(), bytes.size());
}

void AppendText(QByteArray &to, QStringView text)
{
    AppendField(to, text.toUtf8());
}

void AppendNumber(QByteArray &to, qint64 number)
{
    AppendField(to, QByteArray::number(number));
}

} // namespace

QByteArray FirstPrevHash()
{
    return QByteArray(FingerprintLength, '0');
}

RecordFingerprinter::RecordFingerprinter(const QString &serialNumber)
    : hash(QCryptographicHash::Sha256), head("kestrune-record-1\n")
{
    AppendText(head, serialNumber);
}

QByteArray RecordFingerprinter::Of(const std::array<QStringView, RecordColumns> &texts)
{
    field = head;
    for (QStringView text : texts)
        AppendText(field, text);
    hash.reset();
    hash.addData(field);
    return hash.result().toHex();
}

QByteArray RecordFingerprinter::Of(const GridRow &row)
{
    std::array<QStringView, RecordColumns> texts;
    for (int i = 0; i < RecordColumns; ++i)
        texts[size_t(i)] = i < row.size() ? QStringView(row[i]) : QStringView();
    return Of(texts);
}

QByteArray RecordFingerprint(const QString &serialNumber, const GridRow &row)
{
    return RecordFingerprinter(serialNumber).Of(row);
}

QByteArray BatchHash(const ArchiveBatch &batch)
{
    QByteArray form("kestrune-batch-1\n");
    AppendText(form, batch.serialNumber);
    AppendNumber(form, batch.number);
    AppendNumber(form, batch.madeAt);
    AppendText(form, batch.pc);
    AppendText(form, batch.osUser);
    AppendText(form, batch.kind);
    AppendText(form, batch.source);
    AppendNumber(form, batch.added);
    AppendNumber(form, batch.already);
    AppendField(form, batch.fingerprints);
    AppendField(form, batch.prevHash);
    return QCryptographicHash::hash(form, QCryptographicHash::Sha256).toHex();
}

SetFingerprinter::SetFingerprinter() : hash(QCryptographicHash::Sha256) {}

void SetFingerprinter::Add(QByteArrayView fingerprint)
{
    hash.addData(fingerprint);
}

QByteArray SetFingerprinter::Result()
{
    return hash.result().toHex();
}

QByteArray SetFingerprint(QByteArrayView fingerprints)
{
    return QCryptographicHash::hash(fingerprints, QCryptographicHash::Sha256).toHex();
}
