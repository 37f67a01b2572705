#include "TestRegistry.h"
#include "catalogue/IniFile.h"

#include <QTest>

using namespace scrivlet;

namespace {

QByteArray Bytes(const std::string& s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

// What one line says, "kind|key, name or comment|value", the value as a file of that line
// alone holds it.
QByteArray ViewOf(const QByteArray& line)
{
    const IniLineParts parts = ClassifyIniLine(line.toStdString());
    IniFile ini;
    if (!ini.LoadBytes(line.toStdString()))
        return "not loaded";
    const IniSection* top = ini.FindSection({});
    QByteArray value;
    if (parts.kind == kIniIntEntry)
        value = QByteArray::number(IniFile::GetInt(top, parts.first, 0));
    else if (parts.kind == kIniStringEntry)
        value = Bytes(IniFile::GetString(top, parts.first, {}));
    return QByteArray::number(parts.kind) + '|' + Bytes(parts.first) + '|' + value;
}

}  // namespace

class IniFileTest : public QObject {
    Q_OBJECT

private slots:
    void classifiesLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("view");
        auto row = [](const char* name, const QByteArray& line, int kind, const QByteArray& first,
                      const QByteArray& value) {
            QTest::newRow(name) << line << QByteArray::number(kind) + '|' + first + '|' + value;
        };
        row("blanks", " \t\v\f ", kIniBlank, "", "");
        row("comment", "  ; a note; more", kIniComment, " a note; more", "");
        row("hash is raw", "# note", kIniRaw, "", "");
        row("section inner blanks", " [  My  Sec \t]  ", kIniSectionHeader, "My  Sec", "");
        row("section with note", "[A] ; note", kIniRaw, "", "");
        row("number", "  width = 128 ", kIniIntEntry, "width", "128");
        // Numbers are read in 32 bits with wrap-around.
        row("max+1 wraps", "w = 2147483648", kIniIntEntry, "w", "-2147483648");
        row("2^32-1", "w=4294967295", kIniIntEntry, "w", "-1");
        row("2^32+1", "w = 4294967297", kIniIntEntry, "w", "1");
        row("minus blank digits", "w = - 5", kIniIntEntry, "w", "0");
        row("plus is text", "w = +5", kIniStringEntry, "w", "+5");
        row("number with note", "w = 42 ; note", kIniStringEntry, "w", "42 ; note");
        row("quoted padded", "name = \"  Quest log  \"", kIniStringEntry, "name", "Quest log");
        row("inner quote", "name = a\"b", kIniRaw, "", "");
        // Long blank runs take the single pass; it must give what the patterns give.
        const QByteArray run(40, ' ');
        row("long run in value", "name = a" + run + "b" + run, kIniStringEntry, "name",
            "a" + run + "b");
        row("long run in section", "[" + run + "x" + run + "y" + run + "]", kIniSectionHeader,
            "x" + run + "y", "");
        row("long run before quote", "k = a" + run + "\"b", kIniRaw, "", "");
        row("long run number", "k" + run + "=" + run + "-12" + run, kIniIntEntry, "k", "-12");
    }
    void classifiesLine()
    {
        QFETCH(QByteArray, line);
        QTEST(ViewOf(line), "view");
    }

    // The single pass stands in for the section and string patterns on lines with long blank
    // runs; compare the two on every short line over the characters that matter to them
    // (fuzz_catalogue compares them on longer ones).
    void singlePassAgreesWithPatterns()
    {
        const char alphabet[] = {' ', '\t', '"', '=', '[', ']', ';', '-', 'a', '5', '\r', '\xC3'};
        const int letters = int(sizeof alphabet);
        auto agree = [](const std::string& line) {
            const IniLineParts a = ClassifyIniLine(line, IniMatcher::Patterns);
            const IniLineParts b = ClassifyIniLine(line, IniMatcher::SinglePass);
            return a.kind == b.kind && a.first == b.first && a.second == b.second;
        };
        long long total = 1;
        for (int length = 0; length <= 5; ++length, total *= letters) {
            for (long long n = 0; n < total; ++n) {
                std::string line;
                for (long long rest = n; int(line.size()) < length; rest /= letters)
                    line += alphabet[rest % letters];
                QVERIFY2(agree(line), line.c_str());
            }
        }
    }

    // First entry of a key wins; a repeated header merges into the first; a header with a
    // note is a raw line, so what follows stays in the section before; case matters.
    void looksUpEntries()
    {
        IniFile ini;
        QVERIFY(
            ini.LoadBytes("[A]\nn = 1\nn = 2\ns = first\ns = second\n[B]\nb = 3\n[A]\n"
                          "later = 4\n[B] ; note\nafterRaw = 6\n[a]\nlower = 7\n"));
        const IniSection* a = ini.FindSection("A");
        const IniSection* b = ini.FindSection("B");
        QVERIFY(a && b);
        QCOMPARE(IniFile::GetInt(a, "n", -1), 1);
        QCOMPARE(IniFile::GetString(a, "s", "-"), std::string("first"));
        QCOMPARE(IniFile::GetInt(a, "later", -1), 4);
        QCOMPARE(IniFile::GetInt(a, "afterRaw", -1), 6);
        QCOMPARE(IniFile::GetInt(b, "afterRaw", -1), -1);
        QCOMPARE(IniFile::GetInt(a, "lower", -1), -1);
        QCOMPARE(IniFile::GetInt(ini.FindSection("a"), "lower", -1), 7);
        QCOMPARE(IniFile::GetInt(a, "s", -9), -9);  // the wrong type gives the default
    }

    // Both line ends, blank lines, no final feed; a byte-order mark is skipped only at the
    // very start of the file, elsewhere it stays part of its line.
    void readsLineEnds()
    {
        for (const char* bytes :
             {"\n[S]\r\n\nk = v\r\n", "[S]\nk = v", "\xEF\xBB\xBF[S]\r\nk=v\r\n",
              "\n\xEF\xBB\xBF[T]\n[S]\nk = v\n"}) {
            IniFile ini;
            QVERIFY(ini.LoadBytes(bytes));
            QVERIFY2(IniFile::GetString(ini.FindSection("S"), "k", "-") == "v", bytes);
            QVERIFY(!ini.FindSection("T"));
        }
    }
};

SCRIVLET_TEST(IniFileTest);
#include "test_inifile.moc"
