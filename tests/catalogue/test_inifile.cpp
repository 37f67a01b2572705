#include "IniFile.h"
#include "TestRegistry.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

using namespace scrivlet;

namespace {

// What one loaded line says: its kind, then key/name/text, then value.
struct LineView {
    int kind = -1;
    QByteArray first;
    QByteArray value;
};

QByteArray Bytes(const std::string& s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

LineView ViewOf(const IniLine& line)
{
    LineView view;
    view.kind = line.Kind();
    if (auto* raw = dynamic_cast<const IniRawLine*>(&line))
        view.first = Bytes(raw->Text());
    else if (auto* comment = dynamic_cast<const IniCommentLine*>(&line))
        view.first = Bytes(comment->Text());
    else if (auto* section = dynamic_cast<const IniSectionLine*>(&line))
        view.first = Bytes(section->Name());
    else if (auto* intEntry = dynamic_cast<const IniIntEntry*>(&line))
        view = {view.kind, Bytes(intEntry->Key()), QByteArray::number(intEntry->Value())};
    else if (auto* stringEntry = dynamic_cast<const IniStringEntry*>(&line))
        view = {view.kind, Bytes(stringEntry->Key()), Bytes(stringEntry->Value())};
    return view;
}

}  // namespace

class IniFileTest : public QObject {
    Q_OBJECT

private slots:
    void classifiesLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("value");

        QTest::newRow("empty") << QByteArray("") << int(kIniBlank) << QByteArray() << QByteArray();
        QTest::newRow("blanks") << QByteArray(" \t\v\f ") << int(kIniBlank) << QByteArray()
                                << QByteArray();
        QTest::newRow("comment") << QByteArray("  ; a note; more") << int(kIniComment)
                                 << QByteArray(" a note; more") << QByteArray();
        QTest::newRow("hash is raw")
            << QByteArray("# note") << int(kIniRaw) << QByteArray("# note") << QByteArray();
        QTest::newRow("section") << QByteArray("[FORMAT0]") << int(kIniSectionHeader)
                                 << QByteArray("FORMAT0") << QByteArray();
        QTest::newRow("section inner blanks")
            << QByteArray(" [  My  Sec \t]  ") << int(kIniSectionHeader) << QByteArray("My  Sec")
            << QByteArray();
        QTest::newRow("empty brackets")
            << QByteArray("[]") << int(kIniRaw) << QByteArray("[]") << QByteArray();
        QTest::newRow("section with note")
            << QByteArray("[A] ; note") << int(kIniRaw) << QByteArray("[A] ; note") << QByteArray();
        QTest::newRow("nested bracket")
            << QByteArray("[a[b]") << int(kIniRaw) << QByteArray("[a[b]") << QByteArray();
        QTest::newRow("no value") << QByteArray("key=") << int(kIniStringEntry) << QByteArray("key")
                                  << QByteArray("");
        QTest::newRow("number") << QByteArray("  width = 128 ") << int(kIniIntEntry)
                                << QByteArray("width") << QByteArray("128");
        QTest::newRow("negative") << QByteArray("w=-1") << int(kIniIntEntry) << QByteArray("w")
                                  << QByteArray("-1");
        QTest::newRow("minus blank digits")
            << QByteArray("w = - 5") << int(kIniIntEntry) << QByteArray("w") << QByteArray("0");
        QTest::newRow("tabs around number")
            << QByteArray("w\t=\t7\t") << int(kIniIntEntry) << QByteArray("w") << QByteArray("7");
        QTest::newRow("wraps") << QByteArray("w = 4294967297") << int(kIniIntEntry)
                               << QByteArray("w") << QByteArray("1");
        QTest::newRow("plus is text")
            << QByteArray("w = +5") << int(kIniStringEntry) << QByteArray("w") << QByteArray("+5");
        QTest::newRow("quoted number") << QByteArray("w = \"42\"") << int(kIniStringEntry)
                                       << QByteArray("w") << QByteArray("42");
        QTest::newRow("number with note") << QByteArray("w = 42 ; note") << int(kIniStringEntry)
                                          << QByteArray("w") << QByteArray("42 ; note");
        QTest::newRow("quoted padded")
            << QByteArray("name = \"  Quest log  \"") << int(kIniStringEntry) << QByteArray("name")
            << QByteArray("Quest log");
        QTest::newRow("open quote") << QByteArray("name = \"open end") << int(kIniStringEntry)
                                    << QByteArray("name") << QByteArray("open end");
        QTest::newRow("empty quotes") << QByteArray("name = \"\"") << int(kIniStringEntry)
                                      << QByteArray("name") << QByteArray("");
        QTest::newRow("inner quote") << QByteArray("name = a\"b") << int(kIniRaw)
                                     << QByteArray("name = a\"b") << QByteArray();
        QTest::newRow("key characters") << QByteArray("my.key-2_X = a b") << int(kIniStringEntry)
                                        << QByteArray("my.key-2_X") << QByteArray("a b");
        QTest::newRow("blank in key")
            << QByteArray("my key = 1") << int(kIniRaw) << QByteArray("my key = 1") << QByteArray();
        QTest::newRow("utf8 in key") << QByteArray("n\xC3\xA4me = 1") << int(kIniRaw)
                                     << QByteArray("n\xC3\xA4me = 1") << QByteArray();
        QTest::newRow("utf8 value")
            << QByteArray("name = \"\xD0\x96\xD1\x83\xD0\xBA\"") << int(kIniStringEntry)
            << QByteArray("name") << QByteArray("\xD0\x96\xD1\x83\xD0\xBA");
        QTest::newRow("backslashes kept")
            << QByteArray(R"(path = ".*[\\/]x")") << int(kIniStringEntry) << QByteArray("path")
            << QByteArray(R"(.*[\\/]x)");
        QTest::newRow("lone cr stays") << QByteArray("name = a\rb") << int(kIniStringEntry)
                                       << QByteArray("name") << QByteArray("a\rb");
        // Long blank runs take the single pass; it must give what the patterns give.
        const QByteArray run(40, ' ');
        QTest::newRow("long run in value") << "name = a" + run + "b" + run << int(kIniStringEntry)
                                           << QByteArray("name") << "a" + run + "b";
        QTest::newRow("long run in section")
            << "[" + run + "x" + run + "y" + run + "]" << int(kIniSectionHeader) << "x" + run + "y"
            << QByteArray();
        QTest::newRow("long run before quote")
            << "k = a" + run + "\"b" << int(kIniRaw) << "k = a" + run + "\"b" << QByteArray();
        QTest::newRow("long run number") << "k" + run + "=" + run + "-12" + run << int(kIniIntEntry)
                                         << QByteArray("k") << QByteArray("-12");
    }
    void classifiesLine()
    {
        QFETCH(QByteArray, line);
        IniFile ini;
        QVERIFY(ini.LoadBytes(line.toStdString()));
        // An empty file holds no line at all; judge the empty line as one of a longer file.
        if (line.isEmpty())
            QVERIFY(ini.LoadBytes("\n"));
        QCOMPARE(ini.Lines().size(), std::size_t(1));
        const LineView view = ViewOf(*ini.Lines().front());
        QTEST(view.kind, "kind");
        QTEST(view.first, "first");
        QTEST(view.value, "value");
    }

    // The single pass stands in for the section and string patterns on lines with long blank
    // runs; compare the two on every short line over the characters that matter to them.
    void singlePassAgreesWithPatterns()
    {
        const char alphabet[] = {' ', '\t', '"', '=', '[', ']', ';', '-', 'a', '5', '\r', '\xC3'};
        const int letters = int(sizeof alphabet);
        auto agree = [](const std::string& line) {
            const IniLineParts byPattern = ClassifyIniLine(line, IniMatcher::Patterns);
            const IniLineParts bySinglePass = ClassifyIniLine(line, IniMatcher::SinglePass);
            if (byPattern.kind == bySinglePass.kind && byPattern.first == bySinglePass.first &&
                byPattern.second == bySinglePass.second)
                return true;
            qWarning("line \"%s\": %d \"%s\" \"%s\" vs %d \"%s\" \"%s\"", line.c_str(),
                     byPattern.kind, byPattern.first.c_str(), byPattern.second.c_str(),
                     bySinglePass.kind, bySinglePass.first.c_str(), bySinglePass.second.c_str());
            return false;
        };
        // Every line of up to five characters...
        for (int length = 0; length <= 5; ++length) {
            long long total = 1;
            for (int i = 0; i < length; ++i)
                total *= letters;
            for (long long n = 0; n < total; ++n) {
                std::string line;
                for (long long rest = n; int(line.size()) < length; rest /= letters)
                    line += alphabet[rest % letters];
                QVERIFY(agree(line));
            }
        }
        // ...and a fixed sample of longer ones.
        QRandomGenerator random(20261206);
        for (int n = 0; n < 300000; ++n) {
            std::string line(std::size_t(random.bounded(6, 28)), ' ');
            for (char& c : line)
                c = alphabet[random.bounded(letters)];
            QVERIFY(agree(line));
        }
    }

    void longLinesLoadQuickly_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("kind");
        const QByteArray mega(1 << 20, ' ');
        QTest::newRow("blanks inside value") << "k = a" + mega + "b" << int(kIniStringEntry);
        QTest::newRow("blanks before quote") << "k = a" + mega + "\"b" << int(kIniRaw);
        QTest::newRow("blanks inside section") << "[a" + mega + "b]" << int(kIniSectionHeader);
        QTest::newRow("letters") << "k = " + QByteArray(1 << 20, 'x') << int(kIniStringEntry);
    }
    void longLinesLoadQuickly()
    {
        QFETCH(QByteArray, line);
        QElapsedTimer timer;
        timer.start();
        IniFile ini;
        QVERIFY(ini.LoadBytes(line.toStdString()));
        QTEST(ini.Lines().front()->Kind(), "kind");
        // Backtracking over the run would take hours; a linear pass takes milliseconds.
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    }

    void parsesInteger_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("zero") << QByteArray("0") << 0;
        QTest::newRow("max") << QByteArray("2147483647") << INT_MAX;
        QTest::newRow("max+1 wraps") << QByteArray("2147483648") << INT_MIN;
        QTest::newRow("min") << QByteArray("-2147483648") << INT_MIN;
        QTest::newRow("2^32-1") << QByteArray("4294967295") << -1;
        QTest::newRow("2^32") << QByteArray("4294967296") << 0;
        QTest::newRow("long") << QByteArray("99999999999") << 1215752191;
        QTest::newRow("sign then blank") << QByteArray("- 5") << 0;
        QTest::newRow("leading blanks") << QByteArray(" \t12") << 12;
        QTest::newRow("plus") << QByteArray("+7") << 7;
        QTest::newRow("stops at non-digit") << QByteArray("12ab3") << 12;
        QTest::newRow("empty") << QByteArray("") << 0;
    }
    void parsesInteger()
    {
        QFETCH(QByteArray, text);
        QTEST(int(ParseIniInt(text.toStdString())), "value");
    }

    void looksUpEntries()
    {
        IniFile ini;
        QVERIFY(
            ini.LoadBytes("top = 1\n"
                          "[A]\n"
                          "n = 1\n"
                          "n = 2\n"
                          "s = first\n"
                          "s = second\n"
                          "Name = Upper\n"
                          "[B]\n"
                          "b = 3\n"
                          "[A]\n"
                          "later = 4\n"
                          "n = 5\n"
                          "[B] ; a raw line, so what follows stays in A\n"
                          "afterRaw = 6\n"
                          "[a]\n"
                          "lower = 7\n"));
        const IniSection* top = ini.FindSection("");
        const IniSection* a = ini.FindSection("A");
        const IniSection* b = ini.FindSection("B");
        QVERIFY(top && a && b);
        QCOMPARE(IniFile::GetInt(top, "top", -1), 1);

        // First entry of a key wins; a repeated header merges into the first.
        QCOMPARE(IniFile::GetInt(a, "n", -1), 1);
        QCOMPARE(IniFile::GetString(a, "s", "-"), std::string("first"));
        QCOMPARE(IniFile::GetInt(a, "later", -1), 4);
        QCOMPARE(IniFile::GetInt(a, "afterRaw", -1), 6);
        QCOMPARE(IniFile::GetInt(b, "afterRaw", -1), -1);
        QCOMPARE(IniFile::GetInt(b, "b", -1), 3);

        // Case matters for keys and section names.
        QCOMPARE(IniFile::GetString(a, "name", "-"), std::string("-"));
        QCOMPARE(IniFile::GetString(a, "Name", "-"), std::string("Upper"));
        QCOMPARE(IniFile::GetInt(ini.FindSection("a"), "lower", -1), 7);
        QCOMPARE(IniFile::GetInt(a, "lower", -1), -1);

        // The wrong type or a null section gives the default.
        QCOMPARE(IniFile::GetString(a, "n", "-"), std::string("-"));
        QCOMPARE(IniFile::GetInt(a, "s", -9), -9);
        QVERIFY(!ini.FindSection("C"));
        QCOMPARE(IniFile::GetInt(ini.FindSection("C"), "n", -3), -3);
        QCOMPARE(IniFile::GetString(nullptr, "s", "d"), std::string("d"));

        // Every line stays in the list, duplicates and raw lines included.
        QCOMPARE(ini.Lines().size(), std::size_t(16));
        QCOMPARE(ini.Sections().size(), std::size_t(4));
    }

    void readsLineEnds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<QByteArray>("value");  // of key "k" in section "S"
        QTest::newRow("lf") << QByteArray("[S]\nk = v\n") << 2 << QByteArray("v");
        QTest::newRow("crlf") << QByteArray("[S]\r\nk = v w\r\n") << 2 << QByteArray("v w");
        QTest::newRow("no final feed") << QByteArray("[S]\nk = v") << 2 << QByteArray("v");
        QTest::newRow("blank lines") << QByteArray("\n\n[S]\n\nk = v\n\n") << 6 << QByteArray("v");
        QTest::newRow("bom") << QByteArray("\xEF\xBB\xBF[S]\nk = v\n") << 2 << QByteArray("v");
        QTest::newRow("bom on crlf")
            << QByteArray("\xEF\xBB\xBF[S]\r\nk=v\r\n") << 2 << QByteArray("v");
        QTest::newRow("bom later is no mark")
            << QByteArray("\n\xEF\xBB\xBF[T]\n[S]\nk = v\n") << 4 << QByteArray("v");
    }
    void readsLineEnds()
    {
        QFETCH(QByteArray, bytes);
        IniFile ini;
        QVERIFY(ini.LoadBytes(bytes.toStdString()));
        QTEST(int(ini.Lines().size()), "lineCount");
        QTEST(Bytes(IniFile::GetString(ini.FindSection("S"), "k", "-")), "value");
        // A mark that is not at the very start of the file stays part of its line.
        QVERIFY(!ini.FindSection("T"));
    }

    void onlyCommentsGiveEmptySection()
    {
        IniFile ini;
        QVERIFY(ini.LoadBytes("; note\n# raw\n\n[]\n"));
        QCOMPARE(ini.Sections().size(), std::size_t(1));
        QVERIFY(ini.FindSection(""));
        QVERIFY(ini.FindSection("")->Entries().empty());
    }

    void loadsFromDisk()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("cat.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[S]\r\nk = 12\r\n");
        file.close();

        IniFile ini;
        QVERIFY(ini.LoadPath(path));
        QCOMPARE(IniFile::GetInt(ini.FindSection("S"), "k", 0), 12);

        // A failed load discards what was there and leaves only the empty section.
        QVERIFY(!ini.LoadPath(dir.filePath(QStringLiteral("missing.ini"))));
        QVERIFY(!ini.FindSection("S"));
        QVERIFY(ini.FindSection(""));
        QVERIFY(ini.Lines().empty());
        QVERIFY(!ini.LoadPath(dir.path()));  // a folder is no file
    }

    void loadsBesideExecutable()
    {
        // The build copies the catalogues beside the programs, this test program included.
        IniFile ini;
        QVERIFY(ini.Load(QStringLiteral("formats.en.ini")));
        QVERIFY(ini.FindSection("FORMAT0"));
        QVERIFY(!ini.Load(QStringLiteral("no-such-catalogue.ini")));
        QVERIFY(!ini.FindSection("FORMAT0"));
    }
};

SCRIVLET_TEST(IniFileTest);
#include "test_inifile.moc"
