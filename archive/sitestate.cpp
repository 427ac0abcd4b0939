#include "archive/sitestate.h"

#include "archive/archivewords.h"
#include "kit/widgets.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>

namespace {

const char StateLocalOnly[] = "This PC's archive only";
const char StateUpToDate[] = "Site archive: up to date";
const char StateWaiting[] = "Site archive: %1 waiting since %2";

QString Records(qint64 count)
{
    return GroupedCount(count) +
           (count == 1 ? QStringLiteral(" record") : QStringLiteral(" records"));
}

// The words of why, without its place: the server's location is the
// window's, and may be long.
QString Words(const ArchiveError &why)
{
    ArchiveError placeless = why;
    placeless.place.clear();
    return ArchiveErrorText(placeless);
}

QString Scrubbed(QString text)
{
    static const QRegularExpression password(
        QStringLiteral("\\b(password|pwd)\\s*=\\s*('[^']*'|[^\\s;&]*)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression userinfo(QStringLiteral("://([^/@:\\s]*):[^/@\\s]*@"));
    text.replace(password, QStringLiteral("\\1=…"));
    text.replace(userinfo, QStringLiteral("://\\1:…@"));
    return text;
}

QColor StateColour(const SiteState &state)
{
    switch (state.kind) {
    case SiteState::Kind::LocalOnly:
        return QColor(128, 128, 128);
    case SiteState::Kind::UpToDate:
        return QColor(0, 150, 0);
    case SiteState::Kind::Waiting:
        return state.why == SiteState::Why::Nothing ? QColor(0, 90, 200) : QColor(230, 150, 0);
    case SiteState::Kind::Refused:
        break;
    }
    return QColor(200, 0, 0);
}

QPixmap Dot(const QColor &colour)
{
    QPixmap dot(14, 14);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour.darker(140));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(1.5, 1.5, 11, 11));
    return dot;
}

QString WhyText(const SiteState &state)
{
    const QString reason = SiteReasonText(state.reason);
    switch (state.why) {
    case SiteState::Why::Nothing:
        return QStringLiteral("sending");
    case SiteState::Why::Unreachable:
        return QStringLiteral("server unreachable: ") + reason;
    case SiteState::Why::Busy:
        return QStringLiteral("server busy: ") + reason;
    case SiteState::Why::LocalArchive:
        return QStringLiteral("this PC's archive: ") + reason;
    case SiteState::Why::Refusal:
        break;
    }
    return QStringLiteral("refused by the server: ") + reason;
}

} // namespace

QString SiteReasonText(const ArchiveError &error)
{
    static const QRegularExpression connecting(
        QStringLiteral("^(connection to server .*? failed|could not connect to server): *"));
    static const QRegularExpression severity(QStringLiteral("^(ERROR|FATAL): *"));
    static const QRegularExpression code(QStringLiteral("\\s*\\([0-9A-Z]{5}\\)$"));
    // The first line holds what went wrong; libpq's hints follow it.
    QString text = Scrubbed(Words(error)).section(QLatin1Char('\n'), 0, 0).simplified();
    text.remove(connecting);
    text.remove(severity);
    text.remove(code);
    if (text.endsWith(QLatin1Char(';')))
        text.chop(1);
    if (text.size() > MaxReasonChars)
        text = text.left(MaxReasonChars - 1).trimmed() + QStringLiteral("…");
    return text;
}

QString SiteStateText(const SiteState &state, const QDateTime &now)
{
    switch (state.kind) {
    case SiteState::Kind::LocalOnly:
        return QLatin1String(StateLocalOnly);
    case SiteState::Kind::UpToDate:
        return QLatin1String(StateUpToDate);
    case SiteState::Kind::Waiting:
    case SiteState::Kind::Refused:
        break;
    }
    const QString since = state.since.date() == now.date()
                              ? state.since.toString(QStringLiteral("HH:mm"))
                              : state.since.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return QString::fromLatin1(StateWaiting).arg(Records(state.waiting), since) +
           QStringLiteral(" (") + WhyText(state) + QLatin1Char(')');
}

QString SiteBandText(const ArchiveError &why, qint64 unsent)
{
    return QStringLiteral("The site server cannot be reached (%1): showing this PC's records; "
                          "%2 not yet sent")
        .arg(SiteReasonText(why), GroupedCount(unsent));
}

QString SiteNeededText(const QString &what, const ArchiveError &why)
{
    return QStringLiteral("%1 needs the site server, which cannot be reached (%2).")
        .arg(what, SiteReasonText(why));
}

QString SiteRefusedText(const ArchiveError &why)
{
    return QStringLiteral("The site server refuses this PC's records: %1\nThey stay in this PC's "
                          "archive and are sent once the server takes them (refresh in the "
                          "archive window tries again).")
        .arg(SiteReasonText(why));
}

QString RecordsToSendText(qint64 records)
{
    if (records == 0)
        return QStringLiteral("This PC's archive has no records to send to this server.");
    return QStringLiteral("%1 of this PC's archive will be sent to this server.")
        .arg(Records(records));
}

TSiteStateLabel::TSiteStateLabel(QWidget *parent) : QWidget(parent)
{
    Image1 = new QLabel(this);
    Image1->setFixedSize(14, 14);
    Label1 = new QLabel(this);
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);
    SetFontPixels(Label1, 11);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(6);
    layout->addWidget(Image1, 0, Qt::AlignTop);
    layout->addWidget(Label1, 1);
    Show({});
}

void TSiteStateLabel::Show(const SiteState &state)
{
    const QString text = SiteStateText(state, QDateTime::currentDateTime());
    Image1->setPixmap(Dot(StateColour(state)));
    Label1->setText(text);
    QString tip = text;
    if (state.reason.Failed())
        tip += QStringLiteral("\n\n") + Scrubbed(ArchiveErrorText(state.reason));
    setToolTip(tip);
}

QString TSiteStateLabel::Text() const
{
    return Label1->text();
}

TSiteBand::TSiteBand(QWidget *parent) : QLabel(parent)
{
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(true);
    setMargin(4);
    SetBackground(this, QColor(255, 236, 150));
    SetFontPixels(this, 13);
    setFrameShape(QFrame::Box);
    hide();
}

void TSiteBand::Show(const ArchiveError &why, qint64 unsent)
{
    setText(SiteBandText(why, unsent));
    setToolTip(Scrubbed(ArchiveErrorText(why)));
    show();
    raise();
}
