#include "GridTestApp.h"

#include "ui/GridModel.h"
#include "store/DbError.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

// The slip list's detail grid, as its query names the columns.
GridData slipList()
{
    QList<GridColumn> cols;
    for (const char *alias : {"IDX1H00000", "伝票NoB01000", "店舗名称S01500", "納期D01000", "金額L00900",
                              "単価C00900", "OPCKb00700", "時刻T00800", "発注形態s01000", "伝票出力日d01000"})
        cols << describeGridColumn(QString::fromUtf8(alias));
    GridData d(cols);
    d.appendRow({"7", "0000123", "ｶｽﾀﾑ店", "240315", "1234567", "1980.5", "-1", "093000", "事前発注", "240316"});
    d.appendRow({"7", "0000124", "", "", "", "", "0", "", "", ""});
    return d;
}

enum Col { Idx, SlipNo, Store, Due, Amount, Price, Check, Time, Kind, Printed };

// Collects what QAbstractItemModelTester reports, so that a broken model
// contract fails the test instead of aborting the program.
class TesterLog {
public:
    TesterLog() { previous_ = qInstallMessageHandler(&TesterLog::handler); }
    ~TesterLog() { qInstallMessageHandler(previous_); }
    static QStringList &messages()
    {
        static QStringList m;
        return m;
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext &, const QString &msg)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            messages() << msg;
    }
    QtMessageHandler previous_;
};

class GridModelTest : public WidgetTest {
protected:
    void SetUp() override { model.setGridData(slipList()); }
    QModelIndex at(int row, int column) const { return model.index(row, column); }
    QString display(int row, int column) const { return at(row, column).data(Qt::DisplayRole).toString(); }

    GridModel model;
};

TEST_F(GridModelTest, KeepsTheItemModelContractThroughEveryChange)
{
    TesterLog log;
    TesterLog::messages().clear();
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);

    model.appendRow({"8", "0000125"});
    model.setText(0, Store, "新店");
    model.swapRows(0, 2);
    model.setData(at(1, Check), int(Qt::Checked), Qt::CheckStateRole);
    model.removeRows(0, 1);
    model.setColumnReadOnly(Amount, false);
    model.setData(at(0, Amount), "12", Qt::EditRole);
    model.clearRows();
    model.setGridData(slipList());
    model.setGridData(GridData());

    EXPECT_EQ(TesterLog::messages(), QStringList());
}

TEST_F(GridModelTest, ShowsEachColumnByItsType)
{
    struct Row {
        const char *name;
        int column;
        const char *shown;
        Qt::Alignment align;
    };
    const Row rows[] = {
        {"text_left", Store, "ｶｽﾀﾑ店", Qt::AlignLeft},
        {"button_centred", SlipNo, "0000123", Qt::AlignHCenter},
        {"date_slashed", Due, "24/03/15", Qt::AlignHCenter},
        {"whole_grouped_right", Amount, "1,234,567", Qt::AlignRight},
        {"two_decimals_right", Price, "1,980.50", Qt::AlignRight},
        {"time", Time, "09:30:00", Qt::AlignHCenter},
        {"centred_text", Kind, "事前発注", Qt::AlignHCenter},
        {"date_button", Printed, "24/03/16", Qt::AlignHCenter},
        {"hidden_key_still_there", Idx, "7", Qt::AlignLeft},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(display(0, r.column), QString::fromUtf8(r.shown));
        const auto align = qvariant_cast<Qt::Alignment>(at(0, r.column).data(Qt::TextAlignmentRole));
        EXPECT_EQ(align, r.align | Qt::AlignVCenter);
    }
    // Editing works on the text as the array holds it.
    EXPECT_EQ(at(0, Amount).data(Qt::EditRole).toString(), QString("1234567"));
    EXPECT_EQ(at(0, Due).data(Qt::EditRole).toString(), QString("240315"));
    // Empty cells stay empty whatever the format.
    EXPECT_EQ(display(1, Amount), QString(""));
    EXPECT_EQ(display(1, Due), QString(""));
}

TEST_F(GridModelTest, CheckBoxesShowOnlyTheirState)
{
    EXPECT_FALSE(at(0, Check).data(Qt::DisplayRole).isValid());
    EXPECT_EQ(at(0, Check).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    EXPECT_EQ(at(1, Check).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    EXPECT_FALSE(at(0, Store).data(Qt::CheckStateRole).isValid());
}

TEST_F(GridModelTest, HeadersAreCentredCaptions)
{
    EXPECT_EQ(model.headerData(SlipNo, Qt::Horizontal).toString(), QString("伝票No"));
    EXPECT_EQ(model.headerData(Idx, Qt::Horizontal).toString(), QString("IDX1"));
    for (int c = 0; c < model.columnCount(); ++c)
        EXPECT_EQ(qvariant_cast<Qt::Alignment>(model.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole)),
                  Qt::Alignment(Qt::AlignCenter));
}

TEST_F(GridModelTest, FlagsFollowReadOnlyAndCheckBoxes)
{
    EXPECT_FALSE(model.flags(at(0, Store)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(at(0, SlipNo)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.flags(at(0, Check)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(at(0, Check)) & Qt::ItemIsEditable);

    model.setColumnReadOnly(Amount, false);
    EXPECT_TRUE(model.flags(at(0, Amount)) & Qt::ItemIsEditable);
    model.setAllReadOnly(true);
    EXPECT_FALSE(model.flags(at(0, Amount)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(at(0, Check)) & Qt::ItemIsUserCheckable);
}

TEST_F(GridModelTest, TickingWritesTheFlagTextBackAndTellsTheScreen)
{
    QSignalSpy edited(&model, &GridModel::cellEdited);
    EXPECT_TRUE(model.setData(at(1, Check), int(Qt::Checked), Qt::CheckStateRole));
    EXPECT_EQ(model.text(1, Check), QString("-1"));
    EXPECT_TRUE(model.setData(at(0, Check), int(Qt::Unchecked), Qt::CheckStateRole));
    EXPECT_EQ(model.text(0, Check), QString("0"));
    ASSERT_EQ(edited.count(), 2);
    EXPECT_EQ(edited.at(0), QVariantList({1, int(Check)}));
    EXPECT_EQ(edited.at(1), QVariantList({0, int(Check)}));

    // Setting the state it already has is no edit.
    EXPECT_TRUE(model.setData(at(0, Check), int(Qt::Unchecked), Qt::CheckStateRole));
    EXPECT_EQ(edited.count(), 2);
}

TEST_F(GridModelTest, ReadOnlyCellsRefuseTheOperatorButNotTheScreen)
{
    QSignalSpy edited(&model, &GridModel::cellEdited);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    EXPECT_FALSE(model.setData(at(0, Store), "x", Qt::EditRole));
    EXPECT_FALSE(model.setData(at(0, Check), "x", Qt::EditRole));
    EXPECT_EQ(model.text(0, Store), QString("ｶｽﾀﾑ店"));

    // A stamp written by the screen after printing.
    model.setText(0, Printed, "240401");
    EXPECT_EQ(model.text(0, Printed), QString("240401"));
    EXPECT_EQ(display(0, Printed), QString("24/04/01"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(edited.count(), 0);
}

TEST_F(GridModelTest, EditedNumbersAreStoredAsTyped)
{
    model.setColumnReadOnly(Amount, false);
    QSignalSpy edited(&model, &GridModel::cellEdited);
    EXPECT_TRUE(model.setData(at(1, Amount), "12.5", Qt::EditRole));
    EXPECT_EQ(model.text(1, Amount), QString("12.5"));
    EXPECT_EQ(display(1, Amount), QString("13"));
    EXPECT_EQ(edited.count(), 1);
}

TEST_F(GridModelTest, ColumnsAreFoundByCaption)
{
    EXPECT_EQ(model.columnOf("OPCK"), int(Check));
    EXPECT_EQ(model.columnOf("伝票出力日"), int(Printed));
    EXPECT_EQ(model.columnOf("nothing"), -1);
    EXPECT_EQ(model.text(0, QString("店舗名称")), QString("ｶｽﾀﾑ店"));
    try {
        model.text(0, QString("店舗"));
        FAIL() << "no error";
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), 3265);
    }
}

TEST_F(GridModelTest, EmptiedListKeepsItsColumns)
{
    model.clearRows();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 10);
    EXPECT_EQ(model.headerData(Store, Qt::Horizontal).toString(), QString("店舗名称"));
}

} // namespace
