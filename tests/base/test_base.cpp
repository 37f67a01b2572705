#include "TestRegistry.h"
#include "base/GuardedRegex.h"
#include "base/UiText.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(scrivlet::UiLanguage)

using namespace scrivlet;

class BaseTest : public QObject {
    Q_OBJECT

private slots:
    // Counts the library would overflow on are refused before compiling; escaped braces and
    // braces in a class are no counts.
    void compile_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("valid");
        QTest::newRow("largest count") << "a{2147483647}" << true;
        QTest::newRow("count beyond int") << "a{2147483648}" << false;
        QTest::newRow("huge upper bound") << "a{1,22222222222}" << false;
        QTest::newRow("huge lower bound, open") << "(x){99999999999,}" << false;
        QTest::newRow("escaped brace") << "a\\{99999999999}" << true;
        QTest::newRow("escaped backslash, then a count") << "a\\\\{99999999999}" << false;
        QTest::newRow("inside a class") << "[{]99999999999}" << true;
        QTest::newRow("after a class") << "[a]{99999999999}" << false;
        QTest::newRow("unclosed group") << "(abc" << false;
    }
    void compile()
    {
        QFETCH(QString, pattern);
        GuardedRegex regex;
        QTEST(regex.Compile(pattern, false), "valid");
        QTEST(regex.IsValid(), "valid");
    }

    // Every language has the same keys, all names (a key that is a number is a leftover of
    // the old string table), and every text is there, with Qt's placeholders only, no space
    // before a question or exclamation mark and no shortcut written into it: the actions show
    // their own. A count text has each form its language tells apart, each with the count.
    // Only Russian holds Cyrillic letters (or "№"): elsewhere they are German and Polish
    // letters once read through the Russian code page.
    void texts_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::newRow("en") << UiLanguage::English;
        QTest::newRow("de") << UiLanguage::German;
        QTest::newRow("pl") << UiLanguage::Polish;
        QTest::newRow("ru") << UiLanguage::Russian;
    }
    void texts()
    {
        QFETCH(UiLanguage, language);
        QStringList keys = UiTextKeys(language), english = UiTextKeys(UiLanguage::English);
        keys.sort();
        english.sort();
        QCOMPARE(keys, english);
        QVERIFY(keys.size() > 100);
        // A key written twice loses one of its texts without a word from the JSON reader.
        QFile file(QStringLiteral(":/lang/%1.json").arg(LanguageCode(language)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString json = QString::fromUtf8(file.readAll());
        QCOMPARE(json.count(QRegularExpression(QStringLiteral("(?m)^\\s*\"[^\"]+\":"))),
                 keys.size());
        const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{052F}\\x{2116}]"));
        const QRegularExpression number(QStringLiteral("(^|\\.)\\d+(\\.|$)"));
        const QRegularExpression wrong(QStringLiteral(
            "%[sid]|\t|\\s[?!]|\\b(Ctrl|Strg|Shift|Umschalt|Alt)\\+|\\bF([1-9]|1[0-2])\\b"));
        for (const QString& key : keys) {
            QVERIFY2(!key.contains(number), qPrintable(key));
            QStringList texts{UiTextIn(language, key)};
            if (texts[0].isEmpty()) {
                // 1, 2 and 5 take every form of the four languages.
                texts = QStringList{UiCountIn(language, key, 1), UiCountIn(language, key, 2),
                                    UiCountIn(language, key, 5)};
                QVERIFY2(
                    texts[0].contains(u'1') && texts[1].contains(u'2') && texts[2].contains(u'5'),
                    qPrintable(key + ": " + texts.join(u'|')));
            }
            for (const QString& text : texts) {
                QVERIFY2(!text.isEmpty() && !text.contains(wrong), qPrintable(key + ": " + text));
                QVERIFY2(language == UiLanguage::Russian || !text.contains(cyrillic),
                         qPrintable(key + ": " + text));
            }
        }
    }

    // The plural form of a count: English and German one and other; Polish 1 alone is one,
    // and 2-4 are few except after a 1 in the tens; Russian one also for 21, 101, but not 11.
    void pluralForms_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QList<qint64>>("counts");
        QTest::addColumn<QString>("forms");
        const QList<qint64> counts{0, 1, 2, 5, 11, 12, 21, 22, 25, 101, 112};
        // one, few, many, other
        QTest::newRow("pl") << UiLanguage::Polish << counts << "m o f m m m m f m m m";
        QTest::newRow("ru") << UiLanguage::Russian << counts << "m o f m m m o f m o m";
        QTest::newRow("en") << UiLanguage::English << QList<qint64>{0, 1, 2, 21} << "x o x x";
        QTest::newRow("de") << UiLanguage::German << QList<qint64>{0, 1, 2, 21} << "x o x x";
    }
    void pluralForms()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QList<qint64>, counts);
        QStringList forms;
        for (qint64 count : counts)
            forms << QStringLiteral("ofmx").mid(static_cast<int>(PluralFormOf(language, count)), 1);
        QTEST(forms.join(u' '), "forms");
    }

    // A count text fills in the count as its language writes numbers.
    void countText_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("en 1") << UiLanguage::English << qint64(1) << "1 match";
        QTest::newRow("en 1234") << UiLanguage::English << qint64(1234) << "1,234 matches";
        QTest::newRow("de 1234") << UiLanguage::German << qint64(1234) << "1.234 Treffer";
        QTest::newRow("pl 22") << UiLanguage::Polish << qint64(22) << "22 wystąpienia";
        QTest::newRow("pl 112") << UiLanguage::Polish << qint64(112) << "112 wystąpień";
        QTest::newRow("ru 21") << UiLanguage::Russian << qint64(21) << "21 совпадение";
        QTest::newRow("ru 1234") << UiLanguage::Russian << qint64(1234) << "1\u00a0234 совпадения";
    }
    void countText()
    {
        QFETCH(UiLanguage, language);
        QFETCH(qint64, count);
        QTEST(UiCountIn(language, u"count.matches"_qs, count), "text");
        QVERIFY(UiCountIn(language, u"no.such.count"_qs, count).isEmpty());
    }
};

SCRIVLET_TEST(BaseTest);
#include "test_base.moc"
