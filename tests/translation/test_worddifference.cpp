#include "TestRegistry.h"
#include "translation/WordDifference.h"

#include <QTest>

using namespace scrivlet;

class WordDifferenceTest : public QObject {
    Q_OBJECT

private slots:
    // Removed pieces as [-text-], added ones as {+text+}.
    void pieces_data()
    {
        QTest::addColumn<QString>("oldText");
        QTest::addColumn<QString>("newText");
        QTest::addColumn<QString>("pieces");
        QTest::newRow("same") << "Open the door"
                              << "Open the door"
                              << "Open the door";
        QTest::newRow("word added") << "Open the door"
                                    << "Open the red door"
                                    << "Open the {+red +}door";
        QTest::newRow("number changed") << "I have 3 apples"
                                        << "I have 4 apples"
                                        << "I have [-3-]{+4+} apples";
        QTest::newRow("punctuation alone") << "Halt!"
                                           << "Halt?"
                                           << "Halt[-!-]{+?+}";
        QTest::newRow("Cyrillic words")
            << u"Жук ползёт."_qs << u"Жук летит."_qs << u"Жук [-ползёт-]{+летит+}."_qs;
        QTest::newRow("from nothing") << ""
                                      << "New line"
                                      << "{+New line+}";
        QTest::newRow("to nothing") << "Old line"
                                    << ""
                                    << "[-Old line-]";
        const QString many = QString("x ").repeated(150), other = QString("y ").repeated(150);
        QTest::newRow("too different: whole texts")
            << many << other << "[-" + many + "-]{+" + other + "+}";
    }
    void pieces()
    {
        QFETCH(QString, oldText);
        QFETCH(QString, newText);
        QString shown, before, after;
        for (const DiffPiece& piece : WordDifference(oldText, newText)) {
            shown += piece.kind == DiffPiece::Removed ? "[-" + piece.text + "-]"
                     : piece.kind == DiffPiece::Added ? "{+" + piece.text + "+}"
                                                      : piece.text;
            if (piece.kind != DiffPiece::Added)
                before += piece.text;
            if (piece.kind != DiffPiece::Removed)
                after += piece.text;
        }
        QTEST(shown, "pieces");
        QCOMPARE(before, oldText);
        QCOMPARE(after, newText);
    }
};

SCRIVLET_TEST(WordDifferenceTest);
#include "test_worddifference.moc"
