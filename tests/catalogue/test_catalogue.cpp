#include "TestRegistry.h"
#include "base/UiText.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/IniFile.h"

#include <QTest>

using namespace scrivlet;

namespace {

// A catalogue as the users of formats see it: "name:length" and the fields up to the first
// empty caption, each "caption/type/width/offset/size" with its labels after "|". Without
// texts it is the catalogue's shape, which every language must share.
QString Describe(const FormatCatalogue& catalogue, bool texts = true)
{
    QStringList formats;
    for (const EdtFormat& format : catalogue.Formats()) {
        QStringList fields;
        for (int j = 0; j < format.FieldCount(); ++j) {
            const FieldDef& f = format.fields[std::size_t(j)];
            fields << (texts ? f.caption : QString()) +
                          QString::asprintf("/%d/%d/%d/%d", f.type, f.width, f.offset, f.size);
            for (const QString& label : f.labels)
                fields.last() += u'|' + (texts ? label : QString());
        }
        formats << (texts ? format.name : format.path) + u':' +
                       QString::number(format.recordLength) + u'(' + fields.join(u';') + u')';
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
        const QByteArray column0 = "[FORMAT0]\nname=A\n[FORMAT0.COLUMN0]\ndesc=n\n";
        QByteArray tenColumns = "[FORMAT0]\nname=A\n";
        for (char j = '0'; j <= '9'; ++j)
            tenColumns += QByteArray("[FORMAT0.COLUMN") + j + "]\ndesc=c\ntype=1\n";
        QTest::newRow("gap ends formats")
            << QByteArray("[FORMAT0]\nname=A\n[FORMAT1]\nname=B\n[FORMAT3]\nname=D\n")
            << "A:0() B:0()";
        QTest::newRow("at most 8 columns")
            << tenColumns << "A:0(" + QStringList(8, "c/1/0/0/0").join(u';') + u')';
        QTest::newRow("column gap") << column0 + "[FORMAT0.COLUMN2]\ndesc=c\n"
                                    << "A:0(n/0/0/0/0)";
        QTest::newRow("label gap") << column0 + "label.0=x\nlabel.1=y\nlabel.3=z\n"
                                   << "A:0(n/0/0/0/0|x|y)";
        QTest::newRow("empty label ends") << column0 + "label.0=x\nlabel.1=\"\"\nlabel.2=z\n"
                                          << "A:0(n/0/0/0/0|x)";
        QTest::newRow("bom before first format")
            << QByteArray("\xEF\xBB\xBF[FORMAT0]\nname=A\n") << "A:0()";
        QTest::newRow("utf8 and invalid bytes")
            << QByteArray(
                   "[FORMAT0]\nname=\"\xD0\x96\xD1\x83\xD0\xBA \xFF!\"\n[FORMAT0.COLUMN0]\n"
                   "desc=\xC3\xA4\nlabel.0=\xE2\x82\n")
            << QString::fromUtf8("Жук \xEF\xBF\xBD!:0(ä/0/0/0/0|\xEF\xBF\xBD\xEF\xBF\xBD)");
        // Names and captions keep at most 79 UTF-16 units, never half a surrogate pair;
        // labels are lists of their own and stay whole.
        auto cut = [](const char* name, const QString& text, const QString& stored) {
            const QByteArray utf8 = text.toUtf8();
            QTest::newRow(name) << "[FORMAT0]\nname=" + utf8 + "\n[FORMAT0.COLUMN0]\ndesc=" + utf8 +
                                       "\nlabel.0=" + utf8 + "\n"
                                << stored + ":0(" + stored + "/0/0/0/0|" + text + ")";
        };
        const QString x78(78, u'x');
        const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");  // two UTF-16 units
        cut("79 fits", x78 + u'y', x78 + u'y');
        cut("80 cut", x78 + QStringLiteral("yz"), x78 + u'y');
        cut("pair across the end", x78 + smile, x78);
        cut("pair at the end", x78.left(77) + smile + u'z', x78.left(77) + smile);
    }
    void readsFormats()
    {
        QFETCH(QByteArray, ini);
        QTEST(Describe(FromText(ini)), "expected");
    }

    // The four shipped catalogues have the same formats, fields and path patterns, every
    // text filled.
    void shippedCataloguesAgree()
    {
        FormatCatalogue english;
        QVERIFY(LoadFormatCatalogue(english, UiLanguage::English, nullptr));
        QCOMPARE(Describe(english),
                 QStringLiteral("Dialogue lines:128(No./0/60/0/0;Speaker/1/150/0/24;"
                                "Line/1/420/24/104) "
                                "Item names:96(No./0/60/0/0;Name/1/200/0/32;"
                                "Description/1/420/32/64) "
                                "Quest log:160(Chapter/0/110/0/0|Prologue|Chapter I|Chapter II|"
                                "Chapter III|Epilogue;Title/1/200/0/40;Entry/1/440/40/120)"));
        for (UiLanguage language : kLanguages) {
            FormatCatalogue catalogue;
            QVERIFY(LoadFormatCatalogue(catalogue, language, nullptr));
            QCOMPARE(Describe(catalogue, false), Describe(english, false));
            for (const EdtFormat& format : catalogue.Formats())
                QVERIFY(!format.name.isEmpty());
        }
    }
};

SCRIVLET_TEST(CatalogueTest);
#include "test_catalogue.moc"
