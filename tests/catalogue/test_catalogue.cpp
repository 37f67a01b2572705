#include "CatalogueLoader.h"
#include "FormatCatalogue.h"
#include "IniFile.h"
#include "TestRegistry.h"
#include "UiText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <boost/xpressive/xpressive_dynamic.hpp>

#include <locale>

using namespace scrivlet;

namespace {

// A catalogue as the users of formats see it: "name:length" and the fields up to the
// first empty caption, each "caption/type/width/offset/size" with its labels after "|".
QString Describe(const FormatCatalogue& catalogue)
{
    QStringList formats;
    for (const EdtFormat& format : catalogue.Formats()) {
        QStringList fields;
        for (int j = 0; j < format.FieldCount(); ++j) {
            const FieldDef& f = format.fields[std::size_t(j)];
            QString field = QStringLiteral("%1/%2/%3/%4/%5")
                                .arg(f.caption)
                                .arg(f.type)
                                .arg(f.width)
                                .arg(f.offset)
                                .arg(f.size);
            if (!f.labels.isEmpty())
                field += u'|' + f.labels.join(u'|');
            fields << field;
        }
        formats << format.name + u':' + QString::number(format.recordLength) + u'(' +
                       fields.join(u';') + u')';
    }
    return formats.join(u' ');
}

FormatCatalogue FromText(const QByteArray& text)
{
    IniFile ini;
    ini.LoadBytes(text.toStdString());
    FormatCatalogue catalogue;
    ReadFormatCatalogue(catalogue, ini);
    return catalogue;
}

QByteArray Columns(const char* format, int count)
{
    QByteArray text;
    for (int j = 0; j < count; ++j)
        text += QByteArray("[") + format + ".COLUMN" + QByteArray::number(j) + "]\ndesc=c" +
                QByteArray::number(j) + "\ntype=1\n";
    return text;
}

// Path detection as the shell does it: whole-path match, case-insensitive, score = capture
// groups that matched a non-empty text; -1 when the pattern does not match.
int Score(const QString& pattern, const QString& path)
{
    namespace xp = boost::xpressive;
    xp::wsregex_compiler compiler;
    try {
        compiler.imbue(std::locale("C.UTF-8"));
    } catch (const std::runtime_error&) {
        compiler.imbue(std::locale::classic());
    }
    const xp::wsregex rx = compiler.compile(
        pattern.toStdWString(), xp::regex_constants::ECMAScript | xp::regex_constants::icase);
    xp::wsmatch match;
    const std::wstring subject = path.toStdWString();
    if (!xp::regex_match(subject, match, rx))
        return -1;
    int score = 0;
    for (std::size_t g = 1; g < match.size(); ++g)
        score += match[g].matched && match[g].length() > 0 ? 1 : 0;
    return score;
}

constexpr UiLanguage kLanguages[] = {UiLanguage::English, UiLanguage::German, UiLanguage::Polish,
                                     UiLanguage::Russian};

}  // namespace

class CatalogueTest : public QObject {
    Q_OBJECT

private slots:
    void readsFormats_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("expected");

        QTest::newRow("full format")
            << QByteArray(
                   "[FORMAT0]\nname = \"Quest log\"\npath=x\nwidth = 160\n"
                   "[FORMAT0.COLUMN0]\ndesc=Chapter\nwidth=110\ntype=0\nlabel.0=Prologue\n"
                   "label.1 = \"Chapter I\"\n"
                   "[FORMAT0.COLUMN1]\ndesc=Title\nwidth=-1\ntype=1\ndataoffset=40\ndatasize=120\n")
            << QStringLiteral(
                   "Quest log:160(Chapter/0/110/0/0|Prologue|Chapter I;"
                   "Title/1/-1/40/120)");
        QTest::newRow("gap ends formats")
            << QByteArray("[FORMAT0]\nname=A\n[FORMAT1]\nname=B\n[FORMAT3]\nname=D\n")
            << QStringLiteral("A:0() B:0()");
        QTest::newRow("no FORMAT0") << QByteArray("[FORMAT1]\nname=B\n") << QString();
        QTest::newRow("section names have case")
            << QByteArray("[format0]\nname=A\n[FORMAT0]\nname=B\n[FORMAT0.column0]\ndesc=x\n")
            << QStringLiteral("B:0()");
        QTest::newRow("at most 8 columns")
            << QByteArray("[FORMAT0]\nname=A\n") + Columns("FORMAT0", 10)
            << QStringLiteral(
                   "A:0(c0/1/0/0/0;c1/1/0/0/0;c2/1/0/0/0;"
                   "c3/1/0/0/0;c4/1/0/0/0;c5/1/0/0/0;c6/1/0/0/0;"
                   "c7/1/0/0/0)");
        QTest::newRow("column gap") << QByteArray(
                                           "[FORMAT0]\nname=A\n[FORMAT0.COLUMN0]\ndesc=a\ntype=1\n"
                                           "[FORMAT0.COLUMN2]\ndesc=c\ntype=1\n")
                                    << QStringLiteral("A:0(a/1/0/0/0)");
        QTest::newRow("no caption ends fields")
            << QByteArray(
                   "[FORMAT0]\nname=A\n[FORMAT0.COLUMN0]\ndesc=a\n[FORMAT0.COLUMN1]\nwidth=5\n"
                   "[FORMAT0.COLUMN2]\ndesc=c\n")
            << QStringLiteral("A:0(a/0/0/0/0)");
        QTest::newRow("label gap")
            << QByteArray("[FORMAT0]\n[FORMAT0.COLUMN0]\ndesc=n\nlabel.0=x\nlabel.1=y\nlabel.3=z\n")
            << QStringLiteral(":0(n/0/0/0/0|x|y)");
        QTest::newRow("empty label ends")
            << QByteArray(
                   "[FORMAT0]\n[FORMAT0.COLUMN0]\ndesc=n\nlabel.0=x\nlabel.1=\"\"\nlabel.2=z\n")
            << QStringLiteral(":0(n/0/0/0/0|x)");
        QTest::newRow("numeric label ends")
            << QByteArray("[FORMAT0]\n[FORMAT0.COLUMN0]\ndesc=n\nlabel.0=x\nlabel.1=2\nlabel.2=z\n")
            << QStringLiteral(":0(n/0/0/0/0|x)");
        QTest::newRow("labels only on label fields")
            << QByteArray(
                   "[FORMAT0]\n[FORMAT0.COLUMN0]\ndesc=t\ntype=1\nlabel.0=x\n"
                   "[FORMAT0.COLUMN1]\ndesc=l\ntype=0\ndataoffset=3\ndatasize=4\nlabel.0=y\n")
            << QStringLiteral(":0(t/1/0/0/0;l/0/0/0/0|y)");
        QTest::newRow("quoted numbers are text")
            << QByteArray(
                   "[FORMAT0]\nwidth=\"12\"\n[FORMAT0.COLUMN0]\ndesc=t\ntype=1\ndatasize=\"8\"\n")
            << QStringLiteral(":0(t/1/0/0/0)");
        QTest::newRow("kept as written")
            << QByteArray(
                   "[FORMAT0]\nwidth=-4\n[FORMAT0.COLUMN0]\ndesc=t\ntype=7\ndataoffset=4294967295\n"
                   "datasize=-2\n")
            << QStringLiteral(":-4(t/7/0/-1/-2)");
        QTest::newRow("bom before first format")
            << QByteArray("\xEF\xBB\xBF[FORMAT0]\nname=A\n") << QStringLiteral("A:0()");
        QTest::newRow("utf8 and invalid bytes")
            << QByteArray(
                   "[FORMAT0]\nname=\"\xD0\x96\xD1\x83\xD0\xBA \xFF!\"\n[FORMAT0.COLUMN0]\n"
                   "desc=\xC3\xA4\nlabel.0=\xE2\x82\n")
            << QString::fromUtf8("Жук \xEF\xBF\xBD!:0(ä/0/0/0/0|\xEF\xBF\xBD\xEF\xBF\xBD)");
    }
    void readsFormats()
    {
        QFETCH(QByteArray, ini);
        QTEST(Describe(FromText(ini)), "expected");
    }

    void cutsLongTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        const QString x78(78, u'x');
        const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");  // two UTF-16 units
        QTest::newRow("79 fits") << x78 + u'y' << x78 + u'y';
        QTest::newRow("80 cut") << x78 + QStringLiteral("yz") << x78 + u'y';
        QTest::newRow("pair across the end") << x78 + smile << x78;
        QTest::newRow("pair at the end") << x78.left(77) + smile + u'z' << x78.left(77) + smile;
        QTest::newRow("cyrillic") << QString(100, QChar(0x416)) << QString(79, QChar(0x416));
    }
    void cutsLongTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        const QByteArray utf8 = text.toUtf8();
        const FormatCatalogue catalogue =
            FromText("[FORMAT0]\nname=" + utf8 + "\npath=" + utf8 +
                     "\n[FORMAT0.COLUMN0]\ndesc=" + utf8 + "\nlabel.0=" + utf8 + "\n");
        QCOMPARE(catalogue.Count(), 1);
        const EdtFormat& format = *catalogue.At(0);
        QCOMPARE(format.name, stored);
        QCOMPARE(format.path, stored);
        QCOMPARE(format.fields[0].caption, stored);
        // Labels are lists of their own, not fixed arrays: kept whole.
        QCOMPARE(format.fields[0].labels, QStringList{text});
    }

    void zeroCharacterEndsName()
    {
        const FormatCatalogue catalogue = FromText(QByteArray("[FORMAT0]\nname=ab\0cd\n", 21));
        QCOMPARE(catalogue.At(0)->name, QStringLiteral("ab"));
    }

    void namesFileAfterLanguage()
    {
        QStringList names;
        for (UiLanguage language : kLanguages)
            names << CatalogueFileName(language);
        QCOMPARE(names, QStringList({"formats.en.ini", "formats.de.ini", "formats.pl.ini",
                                     "formats.ru.ini"}));
    }

    void looksInFoldersInOrder()
    {
        QTemporaryDir first, second;
        QVERIFY(first.isValid() && second.isValid());
        const QString name = QStringLiteral("formats.de.ini");
        FormatCatalogue catalogue;
        catalogue.Append(EdtFormat());  // whatever was there goes on failure
        QString missing;
        QVERIFY(!LoadFormatCatalogueFrom(catalogue, {first.path(), second.path()}, name, &missing));
        QCOMPARE(missing, name);
        QCOMPARE(catalogue.Count(), 0);
        QVERIFY(!catalogue.At(0));

        QFile file(QDir(second.path()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[FORMAT0]\nname = Zweiter\n");
        file.close();
        missing.clear();
        QVERIFY(LoadFormatCatalogueFrom(catalogue, {first.path(), second.path()}, name, &missing));
        QVERIFY(missing.isEmpty());
        QCOMPARE(Describe(catalogue), QStringLiteral("Zweiter:0()"));

        QVERIFY(!LoadFormatCatalogueFile(catalogue, first.filePath(name)));
        QVERIFY(LoadFormatCatalogueFile(catalogue, file.fileName()));
    }

    void shippedCataloguesAgree()
    {
        FormatCatalogue english;
        QString missing;
        QVERIFY(LoadFormatCatalogue(english, UiLanguage::English, &missing));
        QCOMPARE(Describe(english),
                 QStringLiteral("Dialogue lines:128(No./0/60/0/0;Speaker/1/150/0/24;"
                                "Line/1/420/24/104) "
                                "Item names:96(No./0/60/0/0;Name/1/200/0/32;"
                                "Description/1/420/32/64) "
                                "Quest log:160(Chapter/0/110/0/0|Prologue|Chapter I|Chapter II|"
                                "Chapter III|Epilogue;Title/1/200/0/40;Entry/1/440/40/120)"));
        for (UiLanguage language : kLanguages) {
            FormatCatalogue catalogue;
            QVERIFY(LoadFormatCatalogue(catalogue, language, &missing));
            QCOMPARE(catalogue.Count(), english.Count());
            for (int i = 0; i < english.Count(); ++i) {
                const EdtFormat& a = *english.At(i);
                const EdtFormat& b = *catalogue.At(i);
                QVERIFY(!b.name.isEmpty());
                QCOMPARE(b.path, a.path);
                QCOMPARE(b.recordLength, a.recordLength);
                QCOMPARE(b.FieldCount(), a.FieldCount());
                for (int j = 0; j < a.FieldCount(); ++j) {
                    const FieldDef& fa = a.fields[std::size_t(j)];
                    const FieldDef& fb = b.fields[std::size_t(j)];
                    QVERIFY(!fb.caption.isEmpty());
                    QCOMPARE(fb.width, fa.width);
                    QCOMPARE(fb.type, fa.type);
                    QCOMPARE(fb.offset, fa.offset);
                    QCOMPARE(fb.size, fa.size);
                    QCOMPARE(fb.labels.size(), fa.labels.size());
                    // Text fields lie inside the record, one after the other.
                    if (fb.type == kTextField)
                        QVERIFY(fb.offset + fb.size <= b.recordLength);
                }
            }
        }
    }

    void shippedPatternsDetect_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("format");
        QTest::newRow("windows dialog") << QStringLiteral(R"(C:\Mods\dialog_en.edt)") << 0;
        QTest::newRow("upper case") << QStringLiteral(R"(D:\GAME\DIALOGUE.EDT)") << 0;
        QTest::newRow("unix items") << QStringLiteral("/home/u/mods/items.TXT") << 1;
        QTest::newRow("item mixed") << QStringLiteral(R"(C:\x/y\Item_de.edt)") << 1;
        QTest::newRow("quests") << QStringLiteral("/srv/data/quests_unicode.edt") << 2;
        QTest::newRow("folder does not count")
            << QStringLiteral("/home/u/quests/dialog_ru.txt") << 0;
        QTest::newRow("cyrillic folder") << QString::fromUtf8("/home/Жук/items_ru.txt") << 1;
        QTest::newRow("unrelated") << QStringLiteral("/home/u/notes.edt") << -1;
        QTest::newRow("only folder") << QStringLiteral("/home/dialog/notes.edt") << -1;
    }
    void shippedPatternsDetect()
    {
        QFETCH(QString, path);
        QFETCH(int, format);
        for (UiLanguage language : kLanguages) {
            FormatCatalogue catalogue;
            QVERIFY(LoadFormatCatalogue(catalogue, language, nullptr));
            for (int i = 0; i < catalogue.Count(); ++i) {
                const int score = Score(catalogue.At(i)->path, path);
                if (i == format)
                    QVERIFY2(score >= 1, qPrintable(catalogue.At(i)->path));
                else
                    QVERIFY2(score == -1, qPrintable(catalogue.At(i)->path));
            }
        }
    }
};

SCRIVLET_TEST(CatalogueTest);
#include "test_catalogue.moc"
