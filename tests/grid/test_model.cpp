#include "catalogue/FormatCatalogue.h"
#include "grid/GridCell.h"
#include "grid/RecordGrid.h"
#include "TestRegistry.h"
#include "base/UiText.h"

#include <QRect>
#include <QSignalSpy>
#include <QTest>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <memory>
#include <utility>
#include <vector>

using namespace scrivlet;

namespace {

// An editor without a window: it ends its edit on focus loss the way InplaceEdit does
// (changed text -> CommitRequest, else CancelRequest).
class FakeEditor : public InplaceControl {
public:
    FakeEditor(RecordGrid* grid, QString text) : grid_(grid), text_(text), opening_(text) {}

    QString Text() const override { return text_; }
    void SetTextLimit(int limit) override { limit_ = limit; }
    void FocusAndSelectAll() override { focus_ = true; }
    void ShowAndFocus() override { focus_ = true; }
    bool HasFocus() const override { return focus_; }
    void PostCloseRequest() override { ++closeRequests_, closing_ = true; }

    void LoseFocus()
    {
        if (std::exchange(focus_, false) && !closing_)
            text_ != opening_ ? void(grid_->CommitRequest(this)) : void(grid_->CancelRequest(this));
    }

    RecordGrid* grid_;
    QString text_;
    QString opening_;
    int limit_ = -1;
    bool focus_ = false;
    bool closing_ = false;
    int closeRequests_ = 0;
};

class FakeHost : public GridHost {
public:
    explicit FakeHost(RecordGrid* grid) : grid_(grid) { grid->SetHost(this); }

    QRect CellRect(int row, int column) const override
    {
        return QRect(column * 100, row * 20, 100, 20);
    }
    InplaceControl* CreateEditor(const QRect&, const QString& text) override
    {
        editors.push_back(std::make_unique<FakeEditor>(grid_, text));
        return editors.back().get();
    }
    void FocusGrid() override
    {
        for (auto& editor : editors)
            editor->LoseFocus();
    }
    bool SelectListRow(int row) override
    {
        if (row != grid_->ListSelectedRow())
            grid_->ListRowSelected(row);
        return true;
    }
    void Beep() override {}

    FakeEditor* Last() const { return editors.back().get(); }

    RecordGrid* grid_;
    std::vector<std::unique_ptr<FakeEditor>> editors;
};

int AddFormat(const QList<FieldDef>& fields)
{
    EdtFormat format;
    format.name = QStringLiteral("test %1").arg(GlobalCatalogue().Count());
    format.recordLength = 64;
    for (int k = 0; k < fields.size(); ++k)
        format.fields[static_cast<size_t>(k)] = fields[k];
    GlobalCatalogue().Append(format);
    return GlobalCatalogue().Count() - 1;
}

FieldDef Field(const QString& caption, int type, int size = 40, QStringList labels = {})
{
    FieldDef field;
    field.caption = caption, field.width = -1, field.type = type;
    field.size = size, field.labels = labels;
    return field;
}

// A document grid the way the codec builds one: columns, records, add-row, modes 0x51.
void Fill(RecordGrid& grid, int formatIndex, int records, bool addRow = true)
{
    grid.SetFormatIndex(formatIndex);
    const EdtFormat* format = GlobalCatalogue().At(formatIndex);
    int fields = 0;
    while (fields < kMaxFields && !format->fields[static_cast<size_t>(fields)].caption.isEmpty())
        ++fields;
    for (int k = 0; k < fields; ++k)
        grid.InsertColumn(k, format->fields[static_cast<size_t>(k)].caption, -1);
    for (int r = 0; r < records; ++r) {
        for (int k = 0; k < fields; ++k) {
            const FieldDef& field = format->fields[static_cast<size_t>(k)];
            GridCell* cell =
                field.type == kLabelField
                    ? static_cast<GridCell*>(CreateLabelCell(QStringLiteral("# %1").arg(r)))
                    : CreateTextCell(QStringLiteral("text %1.%2").arg(r).arg(k));
            if (k == 0)
                QCOMPARE(grid.InsertRecordRow(-1, cell), r);
            else
                QVERIFY(grid.SetCell(r, k, cell));
        }
    }
    if (addRow)
        grid.AppendAddRow();
    grid.SetModeFlags(addRow ? kDocumentGridModes : kModeClickEdits);
    grid.SetModified(false);
}

QString TextOf(const RecordGrid& grid, int row, int column)
{
    QVariant value;
    GridCell* cell = grid.CellAt(row, column);
    return cell && cell->GetValue(&value) ? value.toString() : QStringLiteral("<none>");
}

}  // namespace

class TestModel : public QObject {
    Q_OBJECT

private:
    int labelText_ = -1;  // label, text (size 40), text (size 8)

private slots:
    void initTestCase()
    {
        SetUiLanguage(UiLanguage::English);
        labelText_ = AddFormat({Field("Id", kLabelField), Field("Name", kTextField, 40),
                                Field("Note", kTextField, 8)});
    }

    void insertRecordRowClampsBeforeAddRow_data()
    {
        QTest::addColumn<bool>("addRow");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expected");
        // Three records; with the add-row the list holds four items.
        QTest::newRow("add-row, negative") << true << -1 << 3;
        QTest::newRow("add-row, far beyond") << true << 100 << 3;
        QTest::newRow("add-row, middle") << true << 1 << 1;
        QTest::newRow("plain, beyond") << false << 4 << 3;
    }
    void insertRecordRowClampsBeforeAddRow()
    {
        QFETCH(bool, addRow);
        QFETCH(int, index);
        QFETCH(int, expected);
        RecordGrid grid;
        Fill(grid, labelText_, 3, addRow);
        LabelCell* cell = CreateLabelCell(QStringLiteral("new"));
        QCOMPARE(grid.InsertRecordRow(index, cell), expected);
        QCOMPARE(grid.RecordCount(), 4);
        QCOMPARE(grid.CellAt(expected, 0), cell);
        if (addRow)
            QVERIFY(dynamic_cast<AddRowCell*>(grid.CellAt(4, 0)) && grid.IsAddRow(4));
        // The rows behind the new one moved down whole.
        if (expected < 3)
            QCOMPARE(TextOf(grid, expected + 1, 1), QStringLiteral("text %1.1").arg(expected));
    }

    void entries_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("present");   // CellAt finds a cell
        QTest::addColumn<bool>("settable");  // SetCell takes a new one
        QTest::newRow("record cell") << 1 << 2 << true << false;
        QTest::newRow("negative row") << -1 << 0 << false << false;
        QTest::newRow("column = count") << 0 << 3 << false << false;
        QTest::newRow("row = item count") << 3 << 0 << false << false;
        QTest::newRow("add-row cell") << 2 << 0 << true << false;
        QTest::newRow("add-row, empty entry") << 2 << 1 << false << true;
    }
    void entries()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, present);
        QFETCH(bool, settable);
        RecordGrid grid;
        Fill(grid, labelText_, 2);
        GridCell* before = grid.CellAt(row, column);
        QCOMPARE(before != nullptr, present);
        std::unique_ptr<TextCell> cell(CreateTextCell(QStringLiteral("new")));
        QCOMPARE(grid.SetCell(row, column, cell.get()), settable);
        if (settable) {
            QCOMPARE(grid.CellAt(row, column), cell.release());
        } else {
            // An occupied entry keeps its cell, untouched and alive.
            QCOMPARE(grid.CellAt(row, column), before);
            QVERIFY(!cell->GetOwner());
        }
    }

    void appendNewRecordLabels_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("label");    // column 0, which has the label list
        QTest::addColumn<QString>("pattern");  // column 2, which has no labels
        const int en = int(UiLanguage::English);
        QTest::newRow("no labels") << en << QStringList{} << "# 3"
                                   << "# 3";
        QTest::newRow("four labels") << en << QStringList{"a", "b", "c", "d"} << "d"
                                     << "# 3";
        QTest::newRow("russian pattern") << int(UiLanguage::Russian) << QStringList{"a"}
                                         << QString::fromUtf8("№ 3") << QString::fromUtf8("№ 3");
    }
    void appendNewRecordLabels()
    {
        QFETCH(int, language);
        QFETCH(QStringList, labels);
        QFETCH(QString, label);
        QFETCH(QString, pattern);
        const int format = AddFormat({Field("Id", kLabelField, 0, labels),
                                      Field("Text", kTextField), Field("Id2", kLabelField)});
        SetUiLanguage(static_cast<UiLanguage>(language));
        RecordGrid grid;
        Fill(grid, format, 3);
        grid.AppendNewRecord();
        SetUiLanguage(UiLanguage::English);
        QCOMPARE(grid.RecordCount(), 4);
        QCOMPARE(TextOf(grid, 3, 0), label);
        QCOMPARE(TextOf(grid, 3, 1), QString());
        QCOMPARE(TextOf(grid, 3, 2), pattern);
        QCOMPARE(TextOf(grid, 2, 0), QStringLiteral("# 2"));  // never renumbered
        QVERIFY(dynamic_cast<AddRowCell*>(grid.CellAt(4, 0)) && grid.IsAddRow(4));
        QVERIFY(!grid.IsModified());  // appending is no edit
    }

    void editEnds_data()
    {
        QTest::addColumn<QString>("typed");  // the editor's text at the end
        QTest::addColumn<int>("veto");       // CellChanging's reply
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("changedSignals");
        QTest::newRow("unchanged text cancels") << "text 0.1" << 0 << false << "text 0.1" << 0;
        QTest::newRow("changed text commits") << "new" << 0 << true << "new" << 1;
        QTest::newRow("veto puts the old text back") << "new" << 1 << true << "text 0.1" << 0;
        QTest::newRow("emptied text commits") << "" << 0 << true << "" << 1;
    }
    void editEnds()
    {
        QFETCH(QString, typed);
        QFETCH(int, veto);
        QFETCH(bool, modified);
        QFETCH(QString, stored);
        QFETCH(int, changedSignals);
        RecordGrid grid;
        FakeHost host(&grid);
        Fill(grid, labelText_, 2);
        grid.SetCellChangingHandler([veto](GridCell*) { return veto; });
        QSignalSpy changed(&grid, &RecordGrid::CellChanged);
        QVERIFY(grid.SelectCell(0, 1));
        QVERIFY(grid.BeginEditLimited(grid.CellAt(0, 1), 0, 1));
        FakeEditor* editor = host.Last();
        QCOMPARE(editor->limit_, 40);
        editor->text_ = typed;
        // Selecting another cell ends the edit through the editor's focus loss.
        QVERIFY(grid.SelectCell(1, 2));
        QCOMPARE(grid.IsModified(), modified);
        QCOMPARE(TextOf(grid, 0, 1), stored);
        QCOMPARE(changed.count(), changedSignals);
        QVERIFY(!grid.Editor());
        QCOMPARE(grid.EditRow(), -1);
        QCOMPARE(editor->closeRequests_, 1);
    }

    void nestedEditsLeaveNoEditor()
    {
        RecordGrid grid;
        FakeHost host(&grid);
        Fill(grid, labelText_, 3);
        // A CellChanged listener that opens an editor on another cell in the middle of the
        // commit, while the grid is closing the first one.
        bool reopen = true;
        connect(&grid, &RecordGrid::CellChanged, &grid, [&](GridCell*) {
            if (std::exchange(reopen, false))
                grid.BeginEdit(grid.CellAt(grid.ListSelectedRow(), 2), grid.ListSelectedRow(), 2);
        });
        QVERIFY(grid.SelectCell(0, 1));
        QVERIFY(grid.BeginEdit(grid.CellAt(0, 1), 0, 1));
        host.Last()->text_ = QStringLiteral("changed");
        grid.EndEdit();
        QCOMPARE(host.editors.size(), size_t(2));
        QVERIFY(!grid.Editor());
        QCOMPARE(grid.EditRow(), -1);
        for (const auto& editor : host.editors)
            QCOMPARE(editor->closeRequests_, 1);
        QCOMPARE(TextOf(grid, 0, 1), QStringLiteral("changed"));
    }

    void staleEditorCannotWrite()
    {
        RecordGrid grid;
        FakeHost host(&grid);
        Fill(grid, labelText_, 2);
        QVERIFY(grid.SelectCell(0, 1));
        QVERIFY(grid.BeginEdit(grid.CellAt(0, 1), 0, 1));
        FakeEditor* first = host.Last();
        first->focus_ = false;  // as after a window switch: the grid closes it unasked
        QVERIFY(grid.SelectCell(1, 2));
        QVERIFY(grid.BeginEdit(grid.CellAt(1, 2), 1, 2));
        first->text_ = QStringLiteral("late");
        grid.CommitRequest(first);
        grid.CancelRequest(first);
        QCOMPARE(TextOf(grid, 0, 1), QStringLiteral("text 0.1"));
        QCOMPARE(TextOf(grid, 1, 2), QStringLiteral("text 1.2"));
        QCOMPARE(grid.Editor(), host.Last());
        QCOMPARE(grid.EditRow(), 1);
    }

    void insertAboveTheEditorKeepsItsCell()
    {
        RecordGrid grid;
        FakeHost host(&grid);
        Fill(grid, labelText_, 3);
        QVERIFY(grid.SelectCell(2, 1));
        QVERIFY(grid.BeginEdit(grid.CellAt(2, 1), 2, 1));
        QCOMPARE(grid.InsertRecordRow(0, CreateLabelCell(QStringLiteral("top"))), 0);
        host.Last()->text_ = QStringLiteral("edited");
        grid.EndEdit();
        QCOMPARE(TextOf(grid, 3, 1), QStringLiteral("edited"));
        QCOMPARE(TextOf(grid, 2, 1), QStringLiteral("text 1.1"));
        QVERIFY(!grid.CellAt(0, 1));
    }

    // A million cells of a four-column format must stay well inside the load's memory
    // budget: a cell costs at most 64 bytes besides its text.
    void cellCostsAtMost64Bytes()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizer's allocator has other overheads");
#elif !defined(__GLIBC__)
        QSKIP("measured with glibc's allocator statistics");
#else
        constexpr int kCells = 100000;
        std::vector<GridCell*> cells(kCells);
        const size_t before = mallinfo2().uordblks;
        for (auto& cell : cells)
            cell = CreateTextCell(QString());
        const size_t after = mallinfo2().uordblks;
        for (GridCell* cell : cells)
            delete cell;
        const double perCell = double(after - before) / kCells;
        qInfo("bytes per empty text cell: %.1f (object %zu)", perCell, sizeof(TextCell));
        QVERIFY(perCell <= 64.0);
#endif
    }
};

SCRIVLET_TEST(TestModel);
#include "test_model.moc"
