#include "TestDocument.h"
#include "TestRegistry.h"
#include "translation/Alignment.h"
#include "translation/ReviewMarks.h"
#include "translation/TranslationStatus.h"

#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

// Speaker, line and a note.
const EdtFormat kFormat = MakeFormat(
    30, {TextField("Speaker", 0, 10), TextField("Line", 10, 10), TextField("Note", 20, 10)});

// Records "|"-separated, fields ","-separated.
Rows Split(const QString& rows)
{
    Rows out;
    for (const QString& row : rows.split(u'|', Qt::SkipEmptyParts))
        out << row.split(u',');
    return out;
}

Rows Padded(const Rows& rows)
{
    return TextsOf(*MakeDocument(kFormat, rows));
}

QString Outcomes(const Alignment& a)
{
    QString out;
    for (RecordOutcome outcome : a.outcomes)
        out += QStringLiteral("KMCN")[static_cast<int>(outcome)];
    return out;
}

// "record.field reason" for each marked field, reasons as stored.
QString Review(const Alignment& a)
{
    QStringList out;
    for (const ReviewField& f : a.review)
        out << QStringLiteral("%1.%2 %3")
                   .arg(f.record)
                   .arg(f.field)
                   .arg(ReviewReasonName(f.reason));
    return out.join(u',');
}

QString Removed(const Alignment& a)
{
    QStringList out;
    for (int record : a.removed)
        out << QString::number(record);
    return out.join(u' ');
}

}  // namespace

class AlignmentTest : public QObject {
    Q_OBJECT

private slots:
    // "old;new;input" and "output;outcomes;review;removed": records "|"-separated, fields
    // ","-separated; outcomes one letter per new record (Kept, Moved, Changed, New).
    void rules_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("expected");
        QTest::newRow("inserted: the rest moves along")
            << "a,1|b,2|c,3;a,1|x,9|b,2|c,3;A,I|B,II|C,III"
            << "A,I|x,9|B,II|C,III;KNMM;1.0 new,1.1 new;";
        QTest::newRow("removed") << "a,1|b,2|c,3;a,1|c,3;A,I|B,II|C,III"
                                 << "A,I|C,III;KM;;1";
        QTest::newRow("inserted and removed: back in place")
            << "a,1|b,2|c,3|d,4;x,9|a,1|b,2|d,4;A,I|B,II|C,III|D,IV"
            << "x,9|A,I|B,II|D,IV;NMMK;0.0 new,0.1 new;2";
        QTest::newRow("rewritten line, same speaker") << "a,1|b,2|c,3;a,1|b,22|c,3;A,I|B,II|C,III"
                                                      << "A,I|B,II|C,III;KCK;1.1 changed;";
        QTest::newRow("untranslated field whose source changed")
            << "a,1|b,2|c,3;a,1|b,22|c,3;A,I|B,2|C,III"
            << "A,I|B,22|C,III;KCK;;";
        QTest::newRow("all texts rewritten: removed and new")
            << "a,1|b,2|c,3;a,1|y,8|c,3;A,I|B,II|C,III"
            << "A,I|y,8|C,III;KNK;1.0 new,1.1 new;1";
        QTest::newRow("relocated: only the longest common run is matched")
            << "a,1|b,2|c,3|d,4;a,1|c,3|d,4|b,2;A,I|B,II|C,III|D,IV"
            << "A,I|C,III|D,IV|b,2;KMMN;3.0 new,3.1 new;1";
        QTest::newRow("most equal texts first")
            << "a,1|g,x,n|g,y,m|c,3;a,1|g,y,z|c,3;A,I|G,X,N|G,Y,M|C,III"
            << "A,I|G,Y,M|C,III;KCM;1.2 changed;1";
        QTest::newRow("then the nearest") << "a,1|g,x|g,y|c,3;a,1|g,z|c,3;A,I|G,X|G,Y|C,III"
                                          << "A,I|G,X|C,III;KCM;1.1 changed;2";
        QTest::newRow("empty texts pair nothing and need no review")
            << "a,1|,2|c,3;a,1|,5,n|c,3;A,I|,II|C,III"
            << "A,I|,5,n|C,III;KNK;1.1 new,1.2 new;1";
        // The new records' "e" is translated "E" wherever the output has it: they take it.
        QTest::newRow("duplicates") << "e|e|a,1|e;e|a,1|e|e|e;E|E|A,I|E"
                                    << "E|A,I|E|E|E;KMMNN;3.0 new,4.0 new;1";
        QTest::newRow("a new record takes its original's one translation")
            << "a,1|b,2|c,3;a,1|b,2|z,1|c,3;A,I|B,II|C,III"
            << "A,I|B,II|z,I|C,III;KKNM;2.0 new,2.1 new;";
        QTest::newRow("translated two ways, or not at all: left as it is")
            << "a,1|b,1|c,3|d,9;a,1|b,1|c,3|d,9|x,1|y,9;A,I|B,EIN|C,III|D,9"
            << "A,I|B,EIN|C,III|D,9|x,1|y,9;KKKKNN;4.0 new,4.1 new,5.0 new,5.1 new;";
        QTest::newRow("a changed field's old translation is given to no new record")
            << "a,1|b,2;a,1|b,9|z,9;A,I|B,II"
            << "A,I|B,II|z,9;KCN;1.1 changed,2.0 new,2.1 new;";
        QTest::newRow("repeated records: a diff between the unique ones")
            << "a,1|e|f|e|f;a,1|f|e|f|e;A,I|E|F|E2|F2"
            << "A,I|F|E2|F2|E2;KMMMN;4.0 new;1";
        QTest::newRow("from nothing") << ";a,1;"
                                      << "a,1;N;0.0 new,0.1 new;";
    }
    void rules()
    {
        QFETCH(QString, given);
        QFETCH(QString, expected);
        const QStringList g = given.split(u';'), e = expected.split(u';');
        const auto oldDoc = MakeDocument(kFormat, Split(g[0]));
        const auto newDoc = MakeDocument(kFormat, Split(g[1]));
        const auto inputDoc = MakeDocument(kFormat, Split(g[2]));
        Alignment a;
        QVERIFY(AlignTranslation(*oldDoc, *newDoc, *inputDoc, &a));
        QCOMPARE(TextsOf(*a.output), Padded(Split(e[0])));
        QCOMPARE(Outcomes(a), e[1]);
        QCOMPARE(Review(a), e[2]);
        QCOMPARE(Removed(a), e[3]);
        const AlignmentCounts& c = a.counts;
        QCOMPARE(c.kept + c.moved + c.changed + c.added, c.records);
        QCOMPARE(c.records - c.added + c.removed, oldDoc->RecordCount());
        qint64 filled = 0;
        for (int j = 0; j < newDoc->RecordCount(); ++j) {
            for (int k = 0; j < a.output->RecordCount() && k < newDoc->TextFieldCount(); ++k)
                filled += a.output->FieldText(j, k) != newDoc->FieldText(j, k) &&
                          a.outcomes[j] == RecordOutcome::New;
        }
        QCOMPARE(c.propagated, filled);
        QVERIFY(!c.fallback);
    }

    // Every record rewritten, more than the diff follows: paired by position, and told.
    void longChangedStretch()
    {
        Rows oldRows, newRows;
        for (int i = 0; i < 600; ++i) {
            oldRows << QStringList{QString::number(i), "old"};
            newRows << QStringList{QString::number(i), "new"};
        }
        newRows.insert(300, {"inserted"});
        const auto oldDoc = MakeDocument(kFormat, oldRows);
        const auto newDoc = MakeDocument(kFormat, newRows);
        Alignment a;
        QVERIFY(AlignTranslation(*oldDoc, *newDoc, *oldDoc, &a));
        QVERIFY(a.counts.fallback);
        QCOMPARE(a.counts.changed, 600);
        QCOMPARE(a.fromOld[299], 299);
        QCOMPARE(a.fromOld[300], -1);
        QCOMPARE(a.fromOld[600], 599);
        QCOMPARE(a.output->FieldText(600, 1), u"new");  // never translated
    }

    // Review marks follow their records, go with an edit of their own field only, and count
    // as problems the next-problem seek finds.
    void reviewMarksFollowTheDocument()
    {
        auto document = MakeDocument(kFormat, Split("a,1|b,2|c,3"));
        ReviewMarks marks(*document);
        TranslationStatus status(*document);
        status.SetReviewMarks(&marks);
        marks.Set(1, 1, {ReviewReason::Changed, "two"});
        marks.Set(2, 0, {ReviewReason::New, ""});
        QCOMPARE(status.Counts().sourceChanged, 2);
        QCOMPARE(status.Seek(FieldSeek::Problem, {-1, 0}, true), (FieldPlace{1, 1}));
        document->InsertRecords(0, 1);
        QVERIFY(marks.Has(2, 1) && marks.Has(3, 0) && !marks.Has(1, 1));
        document->RemoveRecords(3, 1);
        QVERIFY(!marks.Has(3, 0));
        QCOMPARE(status.Counts().sourceChanged, 1);
        document->SetText(2, 0, u"B");  // another field of the record
        QCOMPARE(marks.At(2, 1)->oldSource, "two");
        document->SetText(2, 1, u"22");
        QCOMPARE(marks.Count(), 0);
        QCOMPARE(status.Counts().sourceChanged, 0);
    }

    // An edit puts the mark to sleep and the marked text coming back wakes it, wherever its
    // record moved meanwhile; once the edit is saved, the text coming back brings nothing.
    void reviewMarkSleepsThroughAnEdit_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("marked");
        QTest::newRow("edited") << QStringList{"edit"} << false;
        QTest::newRow("text back") << QStringList{"edit", "back"} << true;
        QTest::newRow("edited twice, back") << QStringList{"edit", "edit", "back"} << true;
        QTest::newRow("saved, text back") << QStringList{"edit", "save", "back"} << false;
        QTest::newRow("saved unedited") << QStringList{"save"} << true;
        QTest::newRow("record inserted before") << QStringList{"edit", "insert", "back"} << true;
        QTest::newRow("record removed before") << QStringList{"edit", "remove", "back"} << true;
        QTest::newRow("moved, saved") << QStringList{"edit", "insert", "save", "back"} << false;
    }
    void reviewMarkSleepsThroughAnEdit()
    {
        QFETCH(QStringList, steps);
        QFETCH(bool, marked);
        auto document = MakeDocument(kFormat, Split("a,1|b,2|c,3"));
        ReviewMarks marks(*document);
        TranslationStatus status(*document);
        status.SetReviewMarks(&marks);
        marks.Set(1, 1, {ReviewReason::Changed, "two"});
        marks.Set(2, 0, {ReviewReason::New, ""});  // a neighbour that stays awake
        int at = 1, edits = 0;                     // the marked record as records move
        for (const QString& step : steps) {
            if (step == "edit")
                document->SetText(at, 1, QString::number(++edits) + u'x');
            else if (step == "back")
                document->SetText(at, 1, u"2");
            else if (step == "save")
                marks.ForgetEdited();
            else if (step == "insert")
                document->InsertRecords(at++, 1);
            else if (step == "remove")
                document->RemoveRecords(--at, 1);
        }
        QCOMPARE(marks.Has(at, 1), marked);
        QCOMPARE(marks.At(at, 1).has_value(), marked);
        QCOMPARE(marks.Count(), marked ? 2 : 1);
        QCOMPARE(status.Counts().sourceChanged, marks.Count());
        std::vector<std::pair<int, int>> fields{{at + 1, 0}};
        if (marked)
            fields.insert(fields.begin(), {at, 1});
        QCOMPARE(marks.Fields(), fields);
        if (!marked)
            return;
        QCOMPARE(marks.At(at, 1)->oldSource, "two");
        // Confirmed, it is gone for good.
        QVERIFY(marks.Clear(at, 1));
        document->SetText(at, 1, u"x");
        document->SetText(at, 1, u"2");
        QVERIFY(!marks.Has(at, 1));
        QCOMPARE(status.Counts().sourceChanged, 1);
    }

    void refusesAnotherShape()
    {
        const auto oldDoc = MakeDocument(kFormat, Split("a|b"));
        const auto input = MakeDocument(kFormat, Split("A"));
        Alignment a;
        const Result result = AlignTranslation(*oldDoc, *oldDoc, *input, &a);
        QVERIFY(!result);
        QVERIFY(result.Error().contains(u"(1)"));
    }
};

SCRIVLET_TEST(AlignmentTest);
#include "test_alignment.moc"
