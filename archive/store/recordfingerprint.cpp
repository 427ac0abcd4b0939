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
    return BatchHashOver(batch, batch.fingerprints);
}

QByteArray BatchHashOver(const ArchiveBatch &batch, QByteArrayView fingerprints)
{
    // The form is hashed in three pieces: the fingerprints, megabytes of them
    // in a large download, are not copied into it.
    QByteArray head("kestrune-batch-1\n");
    AppendText(head, batch.serialNumber);
    AppendNumber(head, batch.number);
    AppendNumber(head, batch.madeAt);
    AppendText(head, batch.pc);
    AppendText(head, batch.osUser);
    AppendText(head, batch.kind);
    AppendText(head, batch.source);
    AppendNumber(head, batch.added);
    AppendNumber(head, batch.already);
    AppendField(head, {}); // the fingerprints' length, filled in below
    qToBigEndian<quint32>(quint32(fingerprints.size()), head.data() + head.size() - 4);
    QByteArray tail;
    AppendField(tail, batch.prevHash);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(head);
    hash.addData(fingerprints);
    hash.addData(tail);
    return hash.result().toHex();
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
