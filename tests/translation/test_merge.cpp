#include "TestDocument.h"
#include "TestRegistry.h"
#include "translation/DocumentMerge.h"
#include "translation/NotesMerge.h"

#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

const EdtFormat kFormat = MakeFormat(20, {TextField("Speaker", 0, 10), TextField("Line", 10, 10)});

// Records "|"-separated, fields ","-separated.
std::unique_ptr<EdtDocument> Doc(const QString& rows)
{
    Rows out;
    for (const QString& row : rows.split(u'|', Qt::SkipEmptyParts))
        out << row.split(u',');
    return MakeDocument(kFormat, out);
}

QString Joined(const EdtDocument& document)
{
    QStringList records;
    for (const QStringList& texts : TextsOf(document))
        records << texts.join(u',');
    return records.join(u'|');
}

// Notes "|"-separated as "record.field=SH:comment": S one of n (needs work), t, a or - (none),
// H the hash as a digit; the comment's line breaks as "/".
std::vector<PlacedNote> Notes(const QString& notes)
{
    std::vector<PlacedNote> out;
    for (const QString& entry : notes.split(u'|', Qt::SkipEmptyParts)) {
        const QString where = entry.section(u'=', 0, 0), what = entry.section(u'=', 1);
        FieldNote note;
        note.state = StoredState(QStringLiteral("-nta").indexOf(what[0]));
        note.hash = what.mid(1, 1).toLongLong();
        note.comment = what.section(u':', 1).replace(u'/', u'\n');
        out.push_back({where.section(u'.', 0, 0).toInt(), where.section(u'.', 1).toInt(), note});
    }
    return out;
}

QString NotesText(const std::vector<PlacedNote>& notes)
{
    QStringList out;
    for (const PlacedNote& p : notes) {
        QString comment = p.note.comment;
        out << QStringLiteral("%1.%2=%3%4")
                       .arg(p.record)
                       .arg(p.field)
                       .arg(QStringLiteral("-nta")[int(p.note.state)])
                       .arg(p.note.hash) +
                   (comment.isEmpty() ? QString() : u':' + comment.replace(u'\n', u'/'));
    }
    return out.join(u'|');
}

}  // namespace

class MergeTest : public QObject {
    Q_OBJECT

private slots:
    void merge_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("ours");
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("merged");
        // "record.field ours/theirs" per conflict; record -1: a record ours removed.
        QTest::addColumn<QString>("conflicts");
        const QString abc = "a,1|b,2|c,3";
        QTest::newRow("different fields") << "a,b|c,d"
                                          << "A,b|c,d"
                                          << "a,b|c,D"
                                          << "A,b|c,D" << 1 << "";
        QTest::newRow("one record, both fields") << "a,b"
                                                 << "A,b"
                                                 << "a,B"
                                                 << "A,B" << 1 << "";
        QTest::newRow("same change") << "a,b"
                                     << "A,b"
                                     << "A,b"
                                     << "A,b" << 0 << "";
        QTest::newRow("only theirs") << "a,b"
                                     << "a,b"
                                     << "A,B"
                                     << "A,B" << 2 << "";
        QTest::newRow("ours emptied") << "a,b"
                                      << "a,"
                                      << "a,b"
                                      << "a," << 0 << "";
        QTest::newRow("theirs emptied") << "a,b"
                                        << "a,b"
                                        << "a,"
                                        << "a," << 1 << "";
        QTest::newRow("two changes") << "a,b|c,d"
                                     << "A,b|c,D"
                                     << "X,b|c,d"
                                     << "A,b|c,D" << 0 << "0.0 A/X";
        QTest::newRow("theirs inserted, ours edited") << abc << "a,1|b,TWO|c,3"
                                                      << "a,1|new,n|b,2|c,3"
                                                      << "a,1|new,n|b,TWO|c,3" << 2 << "";
        QTest::newRow("ours inserted, theirs edited") << abc << "a,1|new,n|b,2|c,3"
                                                      << "a,1|b,2|c,THREE"
                                                      << "a,1|new,n|b,2|c,THREE" << 1 << "";
        QTest::newRow("both inserted one record") << abc << "a,1|x,y|b,2|c,3"
                                                  << "a,1|x,y|b,2|c,3"
                                                  << "a,1|x,y|b,2|c,3" << 0 << "";
        QTest::newRow("inserted at the start and end") << abc << "o,o|a,1|b,2|c,3"
                                                       << "t,t|a,1|b,2|c,3|e,e"
                                                       << "o,o|t,t|a,1|b,2|c,3|e,e" << 4 << "";
        QTest::newRow("theirs removed, ours edited elsewhere") << abc << "a,1|b,2|c,3X"
                                                               << "a,1|c,3"
                                                               << "a,1|c,3X" << 0 << "";
        QTest::newRow("theirs removed what ours edited") << abc << "a,1|b,TWO|c,3"
                                                         << "a,1|c,3"
                                                         << "a,1|b,TWO|c,3" << 0 << "1.1 TWO/";
        QTest::newRow("ours removed what theirs edited") << abc << "a,1|c,3"
                                                         << "a,1|b,TWO|c,3"
                                                         << "a,1|c,3" << 0 << "-1.1 /TWO";
        QTest::newRow("conflict after an insert") << abc << "a,1|b,2|c,X"
                                                  << "a,1|n,n|b,2|c,Y"
                                                  << "a,1|n,n|b,2|c,X" << 2 << "3.1 X/Y";
    }
    void merge()
    {
        QFETCH(QString, base);
        QFETCH(QString, ours);
        QFETCH(QString, theirs);
        DocumentMerge merge;
        QVERIFY(MergeDocuments(*Doc(base), *Doc(ours), *Doc(theirs), &merge).Ok());
        QTEST(Joined(*merge.output), "result");
        QTEST(int(merge.counts.merged), "merged");
        QStringList conflicts;
        for (const FieldConflict& c : merge.conflicts)
            conflicts
                << QStringLiteral("%1.%2 %3/%4").arg(c.record).arg(c.field).arg(c.ours, c.theirs);
        QTEST(conflicts.join(u';'), "conflicts");
        QCOMPARE(merge.counts.conflicts, qint64(merge.conflicts.size()));
        QCOMPARE(merge.counts.fields, qint64(merge.output->RecordCount()) * 2);
    }
    void notes_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("ours");
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("merged");
        QTest::addColumn<int>("joined");
        QTest::newRow("neighbours") << ""
                                    << "0.0=n1"
                                    << "0.1=a2:ok"
                                    << "0.0=n1|0.1=a2:ok" << 1 << 0;
        QTest::newRow("only theirs approved") << "0.0=n1"
                                              << "0.0=n1"
                                              << "0.0=a1"
                                              << "0.0=a1" << 1 << 0;
        QTest::newRow("ours settled, theirs left it") << "0.0=n1"
                                                      << "0.0=-0"
                                                      << "0.0=n1"
                                                      << "" << 0 << 0;
        QTest::newRow("needs work wins over approved") << "0.0=t1"
                                                       << "0.0=a1"
                                                       << "0.0=n1"
                                                       << "0.0=n1" << 1 << 1;
        QTest::newRow("needs work of ours wins") << ""
                                                 << "0.0=n3"
                                                 << "0.0=a2"
                                                 << "0.0=n3" << 0 << 1;
        QTest::newRow("no state over an approval") << "0.0=n1"
                                                   << "0.0=a1"
                                                   << "0.0=-0"
                                                   << "" << 0 << 0;
        QTest::newRow("same change") << ""
                                     << "0.0=a1:x"
                                     << "0.0=a1:x"
                                     << "0.0=a1:x" << 0 << 0;
        QTest::newRow("both comments kept") << "1.0=-0:ask"
                                            << "1.0=-0:ask Ann"
                                            << "1.0=-0:ask Bob"
                                            << "1.0=-0:ask Ann/ask Bob" << 1 << 1;
        QTest::newRow("a rewrite beats a removal") << "1.0=-0:ask"
                                                   << "1.0=-0:"
                                                   << "1.0=-0:asked"
                                                   << "1.0=-0:asked" << 1 << 1;
        QTest::newRow("state from one, comment from the other") << "2.1=n1:old"
                                                                << "2.1=a1:old"
                                                                << "2.1=n1:new"
                                                                << "2.1=a1:new" << 1 << 0;
    }
    void notes()
    {
        QFETCH(QString, base);
        QFETCH(QString, ours);
        QFETCH(QString, theirs);
        NotesMergeCounts counts;
        const std::vector<PlacedNote> merged =
            MergeNotes(Notes(base), Notes(ours), Notes(theirs), &counts);
        QTEST(NotesText(merged), "result");
        QTEST(int(counts.merged), "merged");
        QTEST(int(counts.joined), "joined");
        QCOMPARE(counts.notes, qint64(merged.size()));
    }
};

SCRIVLET_TEST(MergeTest);
#include "test_merge.moc"
