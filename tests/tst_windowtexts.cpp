// Every window's texts as the operator meets them: each caption, label and
// button text shown whole in its font, every button named for a screen
// reader, and what comes from a tester or a file shown as plain text.

#include "guifixture.h"
#include "modalsteps.h"

#include "admin/Administer.h"
#include "admin/Massge1.h"
#include "admin/Password.h"
#include "device/Datetime.h"
#include "device/Information.h"
#include "device/Rstest.h"
#include "device/Tdate.h"
#include "link/commands.h"
#include "link/comport.h"
#include "records/Result.h"
#include "records/Searchlist.h"
#include "records/Serch1.h"
#include "records/data/datafile.h"
#include "records/data/recordfields.h"
#include "tools/simulator.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <memory>
#include <optional>

namespace {

// Where a control draws its text and how much room it has for it, in the
// control's own coordinates.
struct TextPlace
{
    QString text;
    QRect room;
    Qt::Alignment alignment;
};

std::optional<TextPlace> PlaceOfText(QWidget *w)
{
    QStyle *style = w->style();
    if (auto *label = qobject_cast<QLabel *>(w)) {
        if (label->text().isEmpty())
            return std::nullopt;
        const int inset = label->margin() + qMax(0, label->indent());
        return TextPlace{label->text(), label->contentsRect().adjusted(inset, 0, -inset, 0),
                         label->alignment()};
    }
    if (auto *box = qobject_cast<QGroupBox *>(w)) {
        if (box->title().isEmpty())
            return std::nullopt;
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.textAlignment = box->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect title =
            style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
        // The title runs from its place to the frame's far side.
        return TextPlace{box->title(),
                         QRect(title.topLeft(), QPoint(box->width() - 1, title.bottom())),
                         Qt::AlignLeft | Qt::AlignVCenter};
    }
    auto *button = qobject_cast<QAbstractButton *>(w);
    if (!button || button->text().isEmpty())
        return std::nullopt;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    Qt::Alignment alignment = Qt::AlignCenter;
    if (qobject_cast<QCheckBox *>(w)) {
        contents = QStyle::SE_CheckBoxContents;
        alignment = Qt::AlignLeft | Qt::AlignVCenter;
    } else if (qobject_cast<QRadioButton *>(w)) {
        contents = QStyle::SE_RadioButtonContents;
        alignment = Qt::AlignLeft | Qt::AlignVCenter;
    } else if (auto *push = qobject_cast<QPushButton *>(w); push && push->autoDefault()) {
        option.features |= QStyleOptionButton::AutoDefaultButton;
    }
    return TextPlace{button->text(), style->subElementRect(contents, &option, button), alignment};
}

QString Describe(const QWidget *w, const QString &text)
{
    return QStringLiteral("%1: %2 at %3,%4 \"%5\"")
        .arg(QLatin1String(w->window()->metaObject()->className()),
             QLatin1String(w->metaObject()->className()))
        .arg(w->x())
        .arg(w->y())
        .arg(text);
}

// What keeps a control's text from being shown whole, or nothing.
QStringList TextFaults(QWidget *w)
{
    const std::optional<TextPlace> place = PlaceOfText(w);
    if (!place)
        return {};
    QStringList faults;
    const QSize size(w->fontMetrics().horizontalAdvance(place->text), w->fontMetrics().height());
    if (size.width() > place->room.width())
        faults << QStringLiteral("%1 needs %2 pixels, has %3")
                      .arg(Describe(w, place->text))
                      .arg(size.width())
                      .arg(place->room.width());
    // A control above it in the same parent must not cover the text.
    const QRect drawn = QStyle::alignedRect(w->layoutDirection(), place->alignment,
                                            size.boundedTo(place->room.size()), place->room)
                            .translated(w->pos());
    const QObjectList siblings = w->parentWidget()->children();
    for (qsizetype k = siblings.indexOf(w) + 1; k < siblings.size(); ++k) {
        auto *other = qobject_cast<QWidget *>(siblings[k]);
        if (other && other->isVisibleTo(w->window()) && other->geometry().intersects(drawn))
            faults << QStringLiteral("%1 runs under %2")
                          .arg(Describe(w, place->text), Describe(other, QString()));
    }
    return faults;
}

} // namespace

class TestWindowTexts : public GuiTest
{
    Q_OBJECT

    // The program's twelve windows.
    static QWidgetList Windows()
    {
        return {FormMain, FormResult, FormSetup, FormInfor, FormTime,     FormSerch1,
                FormTest, FormAdmin,  FormYesNo, DateForm,  FormPassWord, SearchForm};
    }
    // The controls the window itself shows, not those of a window it owns.
    static QWidgetList Controls(QWidget *window)
    {
        QWidgetList controls;
        for (QWidget *w : window->findChildren<QWidget *>())
            if (w->window() == window && w->isVisibleTo(window))
                controls << w;
        return controls;
    }

    // Labels showing text: each must show it as plain text.
    static int MarkupLabels(const QString &text)
    {
        int count = 0;
        for (QWidget *window : Windows())
            for (QWidget *w : Controls(window))
                if (auto *label = qobject_cast<QLabel *>(w);
                    label && label->text().contains(text)) {
                    if (label->textFormat() != Qt::PlainText)
                        qWarning() << "shown as markup:" << Describe(label, label->text());
                    count += label->textFormat() == Qt::PlainText;
                }
        return count;
    }

private slots:
    void initTestCase()
    {
        GuiTest::initTestCase();
        // Shown, so that each control is laid out and polished as the
        // operator sees it.
        for (QWidget *window : Windows())
            window->show();
        QApplication::processEvents();
        for (QWidget *window : Windows())
            window->hide();
    }

    void everyTextShownWhole()
    {
        QStringList faults;
        int checked = 0;
        for (QWidget *window : Windows())
            for (QWidget *w : Controls(window)) {
                faults += TextFaults(w);
                checked += PlaceOfText(w).has_value();
            }
        QVERIFY(checked > 60);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    void everyButtonNamed()
    {
        QStringList unnamed;
        for (QWidget *window : Windows())
            for (QWidget *w : Controls(window))
                if (qobject_cast<QAbstractButton *>(w) &&
                    QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty())
                    unnamed << Describe(w, w->toolTip());
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char('\n'))));
    }

    // What a tester or a data file says is shown as it is, never as markup:
    // in the results window's device lines, the information and
    // administration dialogs and the service window's serial-number reply.
    void testerAndFileTextsArePlain_data()
    {
        QTest::addColumn<QByteArray>("markup");
        QTest::newRow("bold") << QByteArray("<b>x</b>");
        QTest::newRow("image") << QByteArray("<img src=x>");
    }
    void testerAndFileTextsArePlain()
    {
        QFETCH(QByteArray, markup);
        const QString literal = QString::fromLatin1(markup);
        QVERIFY(Qt::mightBeRichText(literal));
        TesterSimulator tester;
        GuiFixture::SelectPort(tester.PortName());
        Connected = 1;
        QByteArray identification = "#I7\n";
        for (int line = 0; line < 7; ++line)
            identification += markup + '\n';
        tester.SetReply(Cmd::Identify, identification);
        tester.SetReply(SerialCommand("KT0099999"), markup + '\n');

        FormResult->show();
        FormResult->BitBtn1Click();
        QCOMPARE(MarkupLabels(literal), 3);

        ModalSteps steps;
        steps.On(FormInfor, [&] {
            QCOMPARE(MarkupLabels(literal), 3 + 6 + 1);
            FormInfor->close();
        });
        FormMain->BitBtn2Click();
        QVERIFY(steps.Done());

        // The real message box, as the operator sees it.
        SetMessageHandler({});
        QString shown;
        QTimer boxes;
        connect(&boxes, &QTimer::timeout, [&shown] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                if (box->textFormat() == Qt::PlainText)
                    shown = box->text();
                box->accept();
            }
        });
        boxes.start(5);
        FormTest->Edit1->setText(QStringLiteral("KT0099999"));
        FormTest->Button1Click();
        fx->CatchMessages();
        QCOMPARE(shown, literal + u'\n');

        // A data file holding the same lines.
        QStringList info(4, literal);
        GridRows rows{PlainHeadings(), GridRow(RecordColumns, literal)};
        const QString path = QDir(fx->Dir()).filePath(QStringLiteral("markup.DAT"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(BuildRecordFileLines(info, rows, u',').join(QStringLiteral("\r\n")).toLatin1());
        file.close();
        FormResult->hide();
        FormResult->show();
        fx->ChosenFiles << path;
        FormResult->BitBtn3Click();
        QCOMPARE(FormResult->Label1->text(), literal);
        QCOMPARE(MarkupLabels(literal), 4 + 6 + 1);
        FormResult->hide();
    }

    // A port error that no action catches reaches the application's error box
    // worded as the serial port component words it, with the full stop after
    // a last character that sorts after ".".
    void portErrorShownAsTheComponentWordsIt_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("winCode");
        QTest::addColumn<QString>("shown");
        QTest::newRow("with the system's error number")
            << int(ComError::OpenFailed) << 2 << "Unable to open com port (win error code: 2)";
        QTest::newRow("without") << int(ComError::WriteFailed) << -1
                                 << "WriteFile function failed.";
        for (int code = 1; code <= 23; ++code)
            QTest::addRow("code %d", code) << code << -1 << ComErrorText(code) + u'.';
    }
    void portErrorShownAsTheComponentWordsIt()
    {
        QFETCH(int, code);
        QFETCH(int, winCode);
        QFETCH(QString, shown);
        fx->Messages.clear();
        RunGuarded([&] { throw EComPort(static_cast<ComError>(code), winCode); });
        QCOMPARE(fx->Messages.size(), 1);
        const ShownMessage &box = fx->Messages.first();
        QCOMPARE(box.text, shown);
        QCOMPARE(box.caption, QStringLiteral("Dunmaris"));
        QCOMPARE(box.icon, MsgIcon::Stop);
        QCOMPARE(box.owner, MsgOwner::Application);
        fx->Messages.clear();
    }
};

QTEST_MAIN(TestWindowTexts)
#include "tst_windowtexts.moc"
