#include "ReportFixtures.h"

#include "app/utils/Errors.h"

#include "reportdata/DataSetModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// Collects what QAbstractItemModelTester reports.
class TesterMessages {
public:
    TesterMessages() { previous_ = qInstallMessageHandler(&TesterMessages::Handle); }
    ~TesterMessages() { qInstallMessageHandler(previous_); }
    static QStringList &messages()
    {
        static QStringList list;
        return list;
    }

private:
    static void Handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            messages() << QStringLiteral("%1: %2").arg(QString::fromUtf8(context.category ? context.category : ""), message);
    }
    QtMessageHandler previous_;
};

class DataSetModelTest : public WorkspaceTest {
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        TesterMessages::messages().clear();
        ds = Open(InvoiceReport({Invoice("A", 1), Invoice("B", 2), Invoice("C", 3)}));
        model = std::make_unique<TDataSetModel>(*ds);
        tester = std::make_unique<QAbstractItemModelTester>(model.get(),
                                                            QAbstractItemModelTester::FailureReportingMode::Warning);
    }

    void TearDown() override
    {
        tester.reset();
        model.reset();
        EXPECT_TRUE(TesterMessages::messages().isEmpty()) << TesterMessages::messages().join('\n').toStdString();
    }

    QStringList Column0() const
    {
        QStringList names;
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->data(model->index(row, 0)).toString();
        return names;
    }

    TesterMessages messages;
    std::unique_ptr<TXmlDataSet> ds;
    std::unique_ptr<TDataSetModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(DataSetModelTest, ShowsFieldsAsColumnsAndRecordsAsRows)
{
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->columnCount(), 7);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "名称");
    EXPECT_EQ(model->headerData(6, Qt::Horizontal).toString(), "TOTAL");
    EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString(), "NAME hint");
    EXPECT_EQ(Column0(), QStringList({"A", "B", "C"}));
    EXPECT_EQ(model->data(model->index(1, 1), Qt::EditRole), QVariant(2));
    EXPECT_EQ(model->data(model->index(1, 3)).toString(), "10.25");
    EXPECT_EQ(model->data(model->index(1, 4), Qt::EditRole), QVariant(QDate(2006, 1, 31)));
    EXPECT_EQ(model->data(model->index(1, 5), Qt::CheckStateRole), QVariant(Qt::Unchecked));
    EXPECT_TRUE(model->flags(model->index(0, 5)) & Qt::ItemIsUserCheckable);
    EXPECT_TRUE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(DataSetModelTest, EditsAppendsInsertsAndDeletesKeepTheModelConsistent)
{
    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);

    // Edit a row through the model, post with submit().
    EXPECT_TRUE(model->setData(model->index(1, 0), "B2"));
    EXPECT_EQ(ds->State(), TDataSetState::Edit);
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_GE(changed.count(), 1);
    EXPECT_TRUE(model->submit());
    EXPECT_EQ(ds->State(), TDataSetState::Browse);
    EXPECT_TRUE(model->setData(model->index(1, 5), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(model->submit());
    EXPECT_EQ(model->data(model->index(1, 5), Qt::CheckStateRole), QVariant(Qt::Checked));

    // Editing another row posts the pending edit first.
    EXPECT_TRUE(model->setData(model->index(0, 1), 10));
    EXPECT_TRUE(model->setData(model->index(2, 1), 30));
    EXPECT_EQ(ds->RecNo(), 3);
    model->revert();
    EXPECT_EQ(model->data(model->index(0, 1), Qt::EditRole), QVariant(10));
    EXPECT_EQ(model->data(model->index(2, 1), Qt::EditRole), QVariant(3));

    // Append: a pending row at the end that stays there when posted.
    ds->Append();
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(model->headerData(3, Qt::Vertical).toString(), "*");
    EXPECT_TRUE(model->setData(model->index(3, 0), "D"));
    ds->Post();
    EXPECT_EQ(Column0(), QStringList({"A", "B2", "C", "D"}));

    // Insert in the middle: the pending row moves to the end when posted.
    ds->SetRecNo(2);
    ds->Insert();
    EXPECT_EQ(model->rowCount(), 5);
    EXPECT_EQ(Column0(), QStringList({"A", "", "B2", "C", "D"}));
    EXPECT_TRUE(model->setData(model->index(1, 0), "X"));
    EXPECT_TRUE(model->submit());
    EXPECT_EQ(Column0(), QStringList({"A", "B2", "C", "D", "X"}));
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "B2");

    // Editing a stored row while inserting posts the new record first.
    ds->Insert();
    EXPECT_TRUE(model->setData(model->index(1, 0), "Y"));
    EXPECT_TRUE(model->setData(model->index(4, 0), "D2")); // row 4 is record D
    EXPECT_TRUE(model->submit());
    EXPECT_EQ(Column0(), QStringList({"A", "B2", "C", "D2", "X", "Y"}));

    // Cancelled insert and deletes.
    ds->Insert();
    ds->Cancel();
    ds->SetRecNo(1);
    ds->Delete();
    ds->Last();
    ds->Delete();
    EXPECT_EQ(Column0(), QStringList({"B2", "C", "D2", "X"}));

    // Close and open reset the model.
    ds->Close();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(model->columnCount(), 0);
    ds->Open();
    EXPECT_EQ(Column0(), QStringList({"B2", "C", "D2", "X"}));
}

TEST_F(DataSetModelTest, RefusedValuesReportAnErrorInsteadOfThrowing)
{
    QString reported;
    model->OnError = [&reported](const QString &message) { reported = message; };
    EXPECT_FALSE(model->setData(model->index(0, 1), "many"));
    EXPECT_TRUE(reported.contains("\"many\""));
    EXPECT_FALSE(model->setData(model->index(0, 0), "more than ten"));
    EXPECT_FALSE(model->LastError().isEmpty());
    EXPECT_TRUE(model->setData(model->index(0, 0), "A")); // unchanged: nothing to edit
    EXPECT_EQ(ds->State(), TDataSetState::Browse);
    model->SetColumnReadOnly(6, true);
    EXPECT_FALSE(model->flags(model->index(0, 6)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->setData(model->index(0, 6), 1.0));

    // A refusal whose message was shown already adds no second message.
    reported.clear();
    ds->BeforePost = [](TXmlDataSet &) { throw TSilentAbort(); };
    ASSERT_TRUE(model->setData(model->index(0, 0), "Z"));
    EXPECT_FALSE(model->submit());
    EXPECT_TRUE(reported.isEmpty());
    EXPECT_EQ(ds->State(), TDataSetState::Edit);
}

} // namespace
