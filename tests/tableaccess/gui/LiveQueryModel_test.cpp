// The live grid model over the output table: rows read in pages, edits,
// appends and deletions written through the engine.
#include "tableaccess/gui/LiveQueryModel.h"

#include "MakeDBF/MakeDBF.h"
#include "tableaccess/Query.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <string>

namespace {

const char* const kView = "select CLIENTID,TICKER,OPERTYPE,PRICE,QTY,DATES,SDEL,BROCID,VAL from %M";

// An output table of `n` records written straight into the file:
// CLIENTID = record number, TICKER "T" + number, OPERTYPE 1.
void WriteTable(const QString& path, int n) {
  rts::TDBF dbf;
  const struct {
    const char* name;
    char type;
    uint8_t width, decimals;
  } fields[] = {{"CLIENTID", 'C', 16, 0}, {"TICKER", 'C', 50, 0},   {"OPERTYPE", 'N', 6, 0},
                {"PRICE", 'N', 20, 5},    {"QTY", 'N', 20, 5},      {"DATES", 'D', 8, 0},
                {"SDEL", 'C', 11, 0},     {"BROCID", 'C', 16, 0},   {"DEALPLACE", 'N', 2, 0},
                {"SHAREPLACE", 'N', 2, 0}, {"BUYID", 'C', 16, 0},   {"VAL", 'C', 3, 0}};
  for (const auto& f : fields) dbf.AddField(f.name, f.type, f.width, f.decimals);
  dbf.FileName = path.toStdString();
  QVERIFY(dbf.CreateTable());
  std::FILE* file = std::fopen(path.toUtf8().constData(), "r+b");
  QVERIFY(file);
  std::fseek(file, 417, SEEK_SET);
  char rec[172];
  for (int i = 1; i <= n; ++i) {
    std::snprintf(rec, sizeof rec, " %-16d%-50s%6d%20.5f%20.5f20160404%-11s%-16s    %-16s%-3s", i,
                  ("T" + std::to_string(i)).c_str(), 1, 1.5, 10.0, "S", "BR01", "", "SUR");
    std::fwrite(rec, 1, 171, file);
  }
  std::fputc(0x1A, file);
  const unsigned char count[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                                  static_cast<unsigned char>(n >> 16), 0};
  std::fseek(file, 4, SEEK_SET);
  std::fwrite(count, 1, 4, file);
  std::fclose(file);
}

}  // namespace

class LiveQueryModelTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    query_ = std::make_unique<rts::TQuery>();
    query_->SetDatabaseName(dir_->path().toStdString());
    query_->SetSQL(kView);
    query_->SetMacro("M", "OUT");
  }

  void readsRowsInPages() {
    WriteTable(dir_->filePath("OUT.DBF"), 3000);
    LiveQueryModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setQuery(query_.get());
    model.open();
    QVERIFY(model.isOpen());
    QCOMPARE(model.rowCount(), 3000);
    QCOMPARE(model.recordCount(), 3000);
    QCOMPARE(model.columnCount(), 9);
    QCOMPARE(model.fieldNames().front(), QString("CLIENTID"));
    QCOMPARE(model.headerData(8, Qt::Horizontal).toString(), QString("VAL"));
    // Rows on either side of page borders, and far away.
    for (int row : {0, 255, 256, 1500, 2999, 1})
      QCOMPARE(model.data(model.index(row, 0)).toString(), QString::number(row + 1));
    QCOMPARE(model.data(model.index(2999, 1)).toString(), QString("T3000"));
    QCOMPARE(model.data(model.index(0, 3)).toString(), QString("1.5"));
    QCOMPARE(model.data(model.index(0, 2)).toString(), QString("1"));
    model.close();
    QCOMPARE(model.rowCount(), 0);
  }

  void editsAppendsAndDeletesThroughTheEngine() {
    WriteTable(dir_->filePath("OUT.DBF"), 300);
    LiveQueryModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setQuery(query_.get());
    model.open();
    QSignalSpy refusals(&model, &LiveQueryModel::engineError);

    QVERIFY(model.setData(model.index(260, 1), QString::fromUtf8("ГАЗП")));
    QCOMPARE(model.data(model.index(260, 1)).toString(), QString::fromUtf8("ГАЗП"));
    // Too long for CLIENTID (16): refused, the record unchanged.
    QVERIFY(!model.setData(model.index(260, 0), QString(17, QChar('9'))));
    QCOMPARE(refusals.count(), 1);
    QVERIFY(model.lastError().contains("CLIENTID"));
    QVERIFY(!model.setData(model.index(260, 4), QString("lots")));
    QCOMPARE(model.data(model.index(260, 0)).toString(), QString("261"));

    QVERIFY(model.insertRows(300, 2));
    QCOMPARE(model.rowCount(), 302);
    QVERIFY(model.setData(model.index(301, 0), QString("NEW")));
    QVERIFY(model.removeRows(0, 2));
    QCOMPARE(model.rowCount(), 300);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QString("3"));

    // A fresh query sees it all in the file.
    rts::TQuery check;
    check.SetDatabaseName(dir_->path().toStdString());
    check.SetSQL("select TICKER from OUT where CLIENTID='261'");
    check.Open();
    QVERIFY(!check.Eof());
    QCOMPARE(check.FieldText(0), std::string("\xC3\xC0\xC7\xCF"));  // stored in Windows-1251
    check.SetSQL("select count(*), sum(CLIENTID='NEW') from OUT");
    check.Open();
    QCOMPARE(check.FieldText(0), std::string("300"));
    QCOMPARE(check.FieldText(1), std::string("1"));
  }

  void openFailureLeavesTheModelEmpty() {
    LiveQueryModel model;
    model.setQuery(query_.get());
    QVERIFY_THROWS_EXCEPTION(rts::EDatabaseError, model.open());  // no OUT.DBF
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
  }

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<rts::TQuery> query_;
};

QTEST_MAIN(LiveQueryModelTest)
#include "LiveQueryModel_test.moc"
