#include "TestDocument.h"
#include "TestRegistry.h"
#include "translation/FieldStates.h"
#include "translation/ReviewMarks.h"
#include "translation/TranslationStatus.h"

#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

// A label, then text fields of 3 and 5 units.
const EdtFormat kFormat =
    MakeFormat(8, {LabelField("No"), TextField("Name", 0, 3), TextField("Text", 3, 5)});

// "fields empty same translated too-long not-storable"
QString Describe(const TranslationCounts& c)
{
    return QString::asprintf("%lld %lld %lld %lld %lld %lld", c.fields, c.empty, c.sameAsReference,
                             c.translated, c.tooLong, c.notStorable);
}

Rows Split(const QString& rows)
{
    Rows out;
    for (const QString& row : rows.split(u'|', Qt::SkipEmptyParts))
        out << row.split(u',');
    return out;
}

}  // namespace

class StatusTest : public QObject {
    Q_OBJECT

private slots:
    // "rows;reference;encoding": rows "|"-separated, fields ","-separated, reference "-" for
    // none.
    void counts_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("counts");
        QTest::newRow("empty, translated") << "ab,|,;-;0"
                                           << "4 3 0 1 0 0";
        QTest::newRow("too long, loaded as is") << "abcd,abcdef;-;4"
                                                << "2 0 0 2 2 0";
        QTest::newRow("same only with a reference") << "ab,cd|x,y;ab,zz|x,y;0"
                                                    << "4 0 3 1 0 0";
        QTest::newRow("reference shorter") << "ab,|ab,cd;ab,cd;0"
                                           << "4 1 1 2 0 0";
        QTest::newRow("reference longer") << "ab,cd;ab,cd|x,y|z,z;0"
                                          << "2 0 2 0 0 0";
        QTest::newRow("small Cyrillic not in English") << u"абв,АБВ;-;0"_qs << "2 0 0 2 0 1";
        QTest::newRow("Cyrillic in Russian") << u"абв,АБВ;-;3"_qs << "2 0 0 2 0 0";
        QTest::newRow("zero unit cuts the text") << "a" + QString(QChar(0)) + "b,;-;4"
                                                 << "2 1 0 1 0 1";
    }
    void counts()
    {
        QFETCH(QString, given);
        QFETCH(QString, counts);
        const QStringList part = given.split(u';');
        auto document = MakeDocument(kFormat, Split(part[0]));
        document->SetEncoding(part[2].toInt());
        auto reference = MakeDocument(kFormat, Split(part[1]));
        TranslationStatus status(*document);
        if (part[1] != "-")
            status.SetReference(reference.get());
        QCOMPARE(Describe(status.Counts()), counts);
    }

    // After each step the running counts equal those of a fresh look at the whole document,
    // and undoing a step restores the counts before it.
    void countsFollowEdits_data()
    {
        QTest::addColumn<QString>("steps");  // set:R:F:text, insert:R:N, remove:R:N
        QTest::newRow("texts") << "set:0:0:ab set:1:1:cd set:0:0: set:2:1:toolong set:1:1:жж";
        QTest::newRow("records shift the reference pairing")
            << "insert:0:1 remove:0:2 insert:1:3 set:3:0:x remove:2:2";
    }
    void countsFollowEdits()
    {
        QFETCH(QString, steps);
        auto document = MakeDocument(kFormat, Split("ab,cd|x,|,zz|ab,cd"));
        auto reference = MakeDocument(kFormat, Split("ab,cd|ab,cd|x,|,zz"));
        TranslationStatus status(*document);
        status.SetReference(reference.get());
        for (const QString& step : steps.split(u' ')) {
            const QStringList p = step.split(u':');
            const QString before = Describe(status.Counts());
            if (p[0] == "set") {
                const auto text = document->StoreText(p[3]);
                QVERIFY(text);
                EdtDocument::FieldEdit edit{p[1].toInt(), p[2].toInt(), *text};
                document->ExchangeTexts({&edit, 1});
                document->ExchangeTexts({&edit, 1});  // undo
                QCOMPARE(Describe(status.Counts()), before);
                document->ExchangeTexts({&edit, 1});
            } else if (p[0] == "insert") {
                QVERIFY(document->InsertRecords(p[1].toInt(), p[2].toInt()));
            } else {
                QVERIFY(document->RemoveRecords(p[1].toInt(), p[2].toInt()));
            }
            TranslationStatus fresh(*document);
            fresh.SetReference(reference.get());
            QVERIFY2(Describe(status.Counts()) == Describe(fresh.Counts()), qPrintable(step));
        }
    }
    // A state set on one text, then the text as another program or an edit left it; the
    // reference's text is "ab".
    void storedStates_data()
    {
        QTest::addColumn<QString>("setOn");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("now");
        QTest::addColumn<int>("expected");
        const int empty = int(FieldState::Empty), same = int(FieldState::SameAsReference),
                  translated = int(FieldState::Translated), needsWork = int(FieldState::NeedsWork),
                  approved = int(FieldState::Approved);
        QTest::newRow("approved holds for its text") << "xy"
                                                     << "approved"
                                                     << "xy" << approved;
        QTest::newRow("approved, text edited") << "xy"
                                               << "approved"
                                               << "xz" << translated;
        QTest::newRow("approved, text emptied") << "xy"
                                                << "approved"
                                                << "" << empty;
        QTest::newRow("approved, text back to the original") << "xy"
                                                             << "approved"
                                                             << "ab" << same;
        QTest::newRow("needs work stays through an edit") << "xy"
                                                          << "needs_work"
                                                          << "xz" << needsWork;
        QTest::newRow("needs work on the original's text") << "ab"
                                                           << "needs_work"
                                                           << "ab" << needsWork;
        QTest::newRow("a name that stays, confirmed") << "ab"
                                                      << "translated"
                                                      << "ab" << translated;
        QTest::newRow("confirmed, then edited") << "ab"
                                                << "translated"
                                                << "ax" << translated;
        QTest::newRow("confirmed, then emptied") << "ab"
                                                 << "translated"
                                                 << "" << empty;
    }
    void storedStates()
    {
        QFETCH(QString, setOn);
        QFETCH(QString, state);
        QFETCH(QString, now);
        QFETCH(int, expected);
        auto document = MakeDocument(kFormat, Split(setOn + ",q"));
        auto reference = MakeDocument(kFormat, Split("ab,cd"));
        FieldStates states(*document);
        states.Set(0, 0, states.Stamped(0, 0, *StoredStateNamed(state), {}));
        TranslationStatus status(*document);
        status.SetReference(reference.get());
        status.SetFieldStates(&states);
        QCOMPARE(document->SetText(0, document->TextColumn(0), now), now != setOn);
        QCOMPARE(int(status.State(0, 0)), expected);
        // The five states part the fields between them.
        const TranslationCounts& c = status.Counts();
        QCOMPARE(c.empty + c.sameAsReference + c.needsWork + c.translated + c.approved, c.fields);
        QCOMPARE(c.needsWork, expected == int(FieldState::NeedsWork) ? 1 : 0);
        QCOMPARE(c.approved, expected == int(FieldState::Approved) ? 1 : 0);
    }

    // Notes move with their records; a review mark is a needs-work state; F9's walk stops at
    // both.
    void statesFollowRecords()
    {
        auto document = MakeDocument(kFormat, Split("a,b|c,d|e,f"));
        FieldStates states(*document);
        ReviewMarks review(*document);
        TranslationStatus status(*document);
        status.SetFieldStates(&states);
        status.SetReviewMarks(&review);
        states.Set(2, 1, states.Stamped(2, 1, StoredState::Approved, u"ok"_qs));
        review.Set(1, 0, ReviewMark{});
        QCOMPARE(status.Counts().needsWork, 1);
        QVERIFY(document->InsertRecords(0, 2));
        QVERIFY(document->RemoveRecords(2, 1));
        QCOMPARE(int(status.State(3, 1)), int(FieldState::Approved));
        QCOMPARE(states.At(3, 1)->comment, u"ok"_qs);
        QCOMPARE(status.Seek(FieldSeek::NeedsWork, {-1, 0}, true), (FieldPlace{2, 0}));
        QCOMPARE(status.Seek(FieldSeek::NeedsWork, {2, 0}, true), std::nullopt);
        // F8 passes the translated and approved fields, not the empty ones or needs work.
        QCOMPARE(status.Seek(FieldSeek::Unfinished, {0, 1}, true), (FieldPlace{1, 0}));
        QCOMPARE(status.Seek(FieldSeek::Unfinished, {1, 1}, true), (FieldPlace{2, 0}));
        QCOMPARE(status.Seek(FieldSeek::Unfinished, {2, 0}, true), std::nullopt);
        QCOMPARE(status.Counts().approved, 1);
    }
};

SCRIVLET_TEST(StatusTest);
#include "test_status.moc"
